#pragma once
// Controls that share a name form an array (lblItem 0..7, mnuBankSelect 0..31): every member
// carries the same objectName and its position in the int property "controlIndex".

#include <QList>
#include <QObject>
#include <QString>

class QWidget;

inline constexpr const char* kControlIndexProperty = "controlIndex";

// Marks obj as member `index` of the control array named like its objectName.
void setControlIndex(QObject* obj, int index);

// The member's index, or -1 for a control that is not part of an array.
int controlIndex(const QObject* obj);

// The window's controls (widgets, menus and menu entries) in creation order, depth first.
// Other windows parented to this one (dialogs) are not its controls and are left out;
// drop-down menus are.
QList<QObject*> windowControls(QWidget* window);

// The first control named `name` (exact) with array index `index` (-1: any member or a
// plain control), or nullptr.
QObject* findControl(QWidget* window, const QString& name, int index = -1);

template <typename T>
T* findControlAs(QWidget* window, const QString& name, int index = -1) {
    return qobject_cast<T*>(findControl(window, name, index));
}
