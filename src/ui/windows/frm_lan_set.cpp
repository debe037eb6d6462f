#include "ui/windows/frm_lan_set.h"

#include "ui/panels/lan_connect.h"
#include "ui/qt/widget_status_log.h"
#include "ui/qt/window_labels.h"

#include "link/device_link.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

frmLanSet::frmLanSet(DeviceLink& link, QWidget* parent) : QDialog(parent), link_(link), state_(link.state())
{
    setObjectName(QStringLiteral("frmLanSet"));
    setWindowTitle(QStringLiteral("frmLanSet"));
    auto* frame1 = new QGroupBox(this);
    frame1->setObjectName(QStringLiteral("Frame1"));
    auto* label = new QLabel(QStringLiteral("Label1"), frame1);
    label->setObjectName(QStringLiteral("Label1"));
    txtIPaddress_ = new QLineEdit(QString::fromLatin1(kDefaultControllerAddress), frame1);
    txtIPaddress_->setObjectName(QStringLiteral("txtIPaddress"));
    cmdConnect_ = new QPushButton(QStringLiteral("cmdConnect"), frame1);
    cmdConnect_->setObjectName(QStringLiteral("cmdConnect"));
    auto* close = cmdClose_ = new QPushButton(QStringLiteral("cmdCloseConnection"), frame1);
    close->setObjectName(QStringLiteral("cmdCloseConnection"));
    auto* statusDisp = new QGroupBox(frame1);
    statusDisp->setObjectName(QStringLiteral("StatusDisp"));
    status_ = new QPlainTextEdit(statusDisp);
    status_->setObjectName(QStringLiteral("Status"));
    status_->setReadOnly(true);
    (new QVBoxLayout(statusDisp))->addWidget(status_);
    auto* grid = new QGridLayout(frame1);
    grid->addWidget(label, 0, 0);
    grid->addWidget(txtIPaddress_, 0, 1);
    grid->addWidget(cmdConnect_, 1, 0);
    grid->addWidget(close, 1, 1);
    grid->addWidget(statusDisp, 2, 0, 1, 2);
    auto* ok = new QPushButton(QStringLiteral("cmdOK"), this);
    ok->setObjectName(QStringLiteral("cmdOK"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(frame1);
    layout->addWidget(ok);
    log_ = std::make_unique<WidgetStatusLog>(status_, cmdConnect_, &link_.clock());
    connect(cmdConnect_, &QPushButton::clicked, this, &frmLanSet::cmdConnect_Click);
    connect(close, &QPushButton::clicked, this, &frmLanSet::cmdCloseConnection_Click);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    subscription_ = link_.notifier().subscribe([this] { showLink(); });
}

frmLanSet::~frmLanSet()
{
    link_.notifier().unsubscribe(subscription_);
}

void frmLanSet::showLink()
{
    const bool lan = state_.gLinkMode == kLinkLan || link_.lanConnecting();
    if (state_.gLinkMode == kLinkLan)
        txtIPaddress_->setText(QString::fromStdString(state_.gLanAddress));
    txtIPaddress_->setEnabled(!lan);
    cmdConnect_->setEnabled(!lan);
    cmdClose_->setEnabled(lan);
}

void frmLanSet::Form_Load()
{
    fncApplyLabels(this, state_);
    if (state_.gLinkMode == kLinkLan)
        log_->appendLine("Connected");
    showLink();
}

void frmLanSet::cmdConnect_Click()
{
    connectLan(link_, txtIPaddress_->text(), *log_);
}

void frmLanSet::cmdCloseConnection_Click()
{
    link_.session().disconnectLanToSerial();
}
