#include "ui/qt/window_labels.h"

#include "ui/qt/control_index.h"
#include "app/label_file.h"

#include <QAbstractButton>
#include <QAction>
#include <QFont>
#include <QFontDatabase>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QString>
#include <QStringList>
#include <QWidget>

namespace {

// A label file may name a font this desktop does not have. Behind the named family comes a
// Japanese font, so a caption in Japanese never falls to a font without its glyphs or to
// Chinese glyph shapes.
constexpr const char* kJapaneseFallbackFamily = "Noto Sans CJK JP";

QFont labelFont(const QFont& current, const QString& family, int pointSize) {
    QFont font = current;
    QStringList families{family};
    if (family != QLatin1String(kJapaneseFallbackFamily)) {
        families.append(QString::fromLatin1(kJapaneseFallbackFamily));
    }
    font.setFamilies(families);
    if (pointSize > 0) {
        font.setPointSize(pointSize);
    }
    return font;
}

void setCaption(QObject* control, const QString& caption) {
    if (auto* label = qobject_cast<QLabel*>(control)) {
        label->setTextFormat(Qt::PlainText);
        label->setText(caption);
    } else if (auto* button = qobject_cast<QAbstractButton*>(control)) {
        button->setText(caption);
    } else if (auto* group = qobject_cast<QGroupBox*>(control)) {
        group->setTitle(caption);
    } else if (auto* menu = qobject_cast<QMenu*>(control)) {
        menu->setTitle(caption);
    } else if (auto* action = qobject_cast<QAction*>(control)) {
        // A separator's caption is "-"; as text it would turn the line into a section title.
        if (!action->isSeparator()) {
            action->setText(caption);
        }
    }
    // Text boxes, lists and pictures have no caption.
}

void setFont(QObject* control, const QString& family, int pointSize) {
    auto* widget = qobject_cast<QWidget*>(control);
    if (!widget || qobject_cast<QMenu*>(control)) {
        return; // menus and their entries use the desktop's menu font
    }
    widget->setFont(labelFont(widget->font(), family, pointSize));
}

} // namespace

void fncSetControlText(QWidget* window, const std::string& name, int index,
                       const std::string& caption, const std::string& fontName, int fontSize) {
    const QString wanted = QString::fromStdString(name);
    for (QObject* control : windowControls(window)) {
        if (control->objectName().compare(wanted, Qt::CaseInsensitive) != 0) {
            continue;
        }
        if (index != -1 && controlIndex(control) != index) {
            continue;
        }
        QString text = QString::fromStdString(caption);
        text.replace(QLatin1String("\\n"), QLatin1String("\n"));
        text.remove(QLatin1Char('\t'));
        setCaption(control, text);
        setFont(control, QString::fromStdString(fontName).remove(QLatin1Char('\t')), fontSize);
        return;
    }
}

void fncApplyLabels(QWidget* window, const AppState& state) {
    if (!window) {
        return;
    }
    const std::string windowName = window->objectName().toStdString();
    for (const LabelEntry& entry : readLabelEntries(state, windowName)) {
        if (entry.name == windowName) {
            // The window's own caption keeps a backslash-n as written.
            window->setWindowTitle(QString::fromStdString(entry.caption).remove(QLatin1Char('\t')));
            window->setFont(labelFont(window->font(), QString::fromStdString(entry.fontName),
                                      entry.fontSize));
            continue;
        }
        fncSetControlText(window, entry.name, entry.index, entry.caption, entry.fontName,
                          entry.fontSize);
        if (entry.name == "mnuBankSelect") {
            for (const char* twin : {"mnuBankLoadSelect", "mnuBankChangeSelect"}) {
                fncSetControlText(window, twin, entry.index, entry.caption, entry.fontName,
                                  entry.fontSize);
            }
        } else if (entry.name == "mnuBankGroupSelect") {
            for (const char* twin : {"mnuBankGroupLoadSelect", "mnuBankGroupChangeSelect"}) {
                fncSetControlText(window, twin, entry.index, entry.caption, entry.fontName,
                                  entry.fontSize);
            }
        }
    }
}
