#pragma once
// The System, Bank and Bank group menus of the main window: each entry runs its operation under
// the operation window and shows Message 1 when it succeeded (nothing when it did not: the
// operation has reported why). The menu index is the bank or bank group number.
//
// Wiring into the program:
//     QtFileDialogs fileDialogs(&app.mainWindow());
//     BankMenus banks(&app.mainWindow(), link.link(), fileDialogs);

#include <QObject>

#include <functional>

class DeviceLink;
class FileDialogs;
class QWidget;
struct OperationContext;

class BankMenus : public QObject {
    Q_OBJECT
public:
    // Connects and enables mnuBankSelect, mnuBankLoadSelect, mnuBankChangeSelect (0..31), the
    // same three of the bank groups, mnuSystemSave and mnuSystemLoad.
    BankMenus(QWidget* frmMain, DeviceLink& link, FileDialogs& dialogs);

    void mnuBankSelect_Click(int index);
    void mnuBankLoadSelect_Click(int index);
    void mnuBankChangeSelect_Click(int index);
    void mnuBankGroupSelect_Click(int index);
    void mnuBankGroupLoadSelect_Click(int index);
    void mnuBankGroupChangeSelect_Click(int index);
    void mnuSystemSave_Click();
    void mnuSystemLoad_Click();

private:
    void connectArray(const char* name, void (BankMenus::*handler)(int));
    void connectEntry(const char* name, void (BankMenus::*handler)());
    void run(const std::function<bool(OperationContext&)>& operation);

    QWidget* frmMain_;
    DeviceLink& link_;
    FileDialogs& dialogs_;
};
