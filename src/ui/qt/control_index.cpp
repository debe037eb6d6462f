#include "ui/qt/control_index.h"

#include <QAction>
#include <QMenu>
#include <QVariant>
#include <QWidget>

void setControlIndex(QObject* obj, int index) { obj->setProperty(kControlIndexProperty, index); }

int controlIndex(const QObject* obj) {
    const QVariant v = obj->property(kControlIndexProperty);
    bool ok = false;
    const int index = v.toInt(&ok);
    return v.isValid() && ok ? index : -1;
}

namespace {

void collect(QObject* parent, QList<QObject*>& out) {
    for (QObject* child : parent->children()) {
        auto* widget = qobject_cast<QWidget*>(child);
        if (widget && widget->isWindow() && !qobject_cast<QMenu*>(widget)) {
            continue; // a dialog owned by this window has its own labels
        }
        if (widget || qobject_cast<QAction*>(child)) {
            out.append(child);
        }
        collect(child, out);
    }
}

} // namespace

QList<QObject*> windowControls(QWidget* window) {
    QList<QObject*> controls;
    if (window) {
        collect(window, controls);
    }
    return controls;
}

QObject* findControl(QWidget* window, const QString& name, int index) {
    for (QObject* control : windowControls(window)) {
        if (control->objectName() == name && (index == -1 || controlIndex(control) == index)) {
            return control;
        }
    }
    return nullptr;
}
