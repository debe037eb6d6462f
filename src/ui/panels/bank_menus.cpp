#include "ui/panels/bank_menus.h"

#include "ui/qt/control_index.h"
#include "ui/windows/frm_wait.h"

#include "operations/bank_operations.h"

#include <QAction>
#include <QWidget>

namespace {
constexpr long kMessageDone = 1;
}

BankMenus::BankMenus(QWidget* frmMain, DeviceLink& link, FileDialogs& dialogs)
    : QObject(frmMain), frmMain_(frmMain), link_(link), dialogs_(dialogs)
{
    connectArray("mnuBankSelect", &BankMenus::mnuBankSelect_Click);
    connectArray("mnuBankLoadSelect", &BankMenus::mnuBankLoadSelect_Click);
    connectArray("mnuBankChangeSelect", &BankMenus::mnuBankChangeSelect_Click);
    connectArray("mnuBankGroupSelect", &BankMenus::mnuBankGroupSelect_Click);
    connectArray("mnuBankGroupLoadSelect", &BankMenus::mnuBankGroupLoadSelect_Click);
    connectArray("mnuBankGroupChangeSelect", &BankMenus::mnuBankGroupChangeSelect_Click);
    connectEntry("mnuSystemSave", &BankMenus::mnuSystemSave_Click);
    connectEntry("mnuSystemLoad", &BankMenus::mnuSystemLoad_Click);
}

void BankMenus::connectArray(const char* name, void (BankMenus::*handler)(int))
{
    for (QAction* action : frmMain_->findChildren<QAction*>(QString::fromLatin1(name))) {
        const int index = controlIndex(action);
        if (index < 0)
            continue;
        action->setEnabled(true);
        connect(action, &QAction::triggered, this, [this, handler, index] { (this->*handler)(index); });
    }
}

void BankMenus::connectEntry(const char* name, void (BankMenus::*handler)())
{
    if (QAction* action = frmMain_->findChild<QAction*>(QString::fromLatin1(name))) {
        action->setEnabled(true);
        connect(action, &QAction::triggered, this, handler);
    }
}

void BankMenus::run(const std::function<bool(OperationContext&)>& operation)
{
    if (runUnderWait(frmMain_, link_, dialogs_, operation))
        link_.messages().fncShowMessage("Message", kMessageDone);
}

void BankMenus::mnuBankSelect_Click(int index)
{
    run([index](OperationContext& ctx) { return fncBankSave(ctx, 0, int16_t(index)); });
}

void BankMenus::mnuBankLoadSelect_Click(int index)
{
    run([index](OperationContext& ctx) { return fucBankLoad(ctx, 0, int16_t(index)); });
}

void BankMenus::mnuBankChangeSelect_Click(int index)
{
    run([index](OperationContext& ctx) { return fncBankChange(ctx, int16_t(index)); });
}

void BankMenus::mnuBankGroupSelect_Click(int index)
{
    run([index](OperationContext& ctx) { return fncBankSave(ctx, 1, int16_t(index)); });
}

void BankMenus::mnuBankGroupLoadSelect_Click(int index)
{
    run([index](OperationContext& ctx) { return fucBankLoad(ctx, 1, int16_t(index)); });
}

void BankMenus::mnuBankGroupChangeSelect_Click(int index)
{
    run([index](OperationContext& ctx) { return fncBankGroupChange(ctx, int16_t(index)); });
}

void BankMenus::mnuSystemSave_Click()
{
    run([](OperationContext& ctx) { return fncSystemSave(ctx); });
}

void BankMenus::mnuSystemLoad_Click()
{
    run([](OperationContext& ctx) { return fncSystemLoad(ctx); });
}
