#include "frm_lan_set.h"

#include "lan_connect.h"
#include "widget_status_log.h"
#include "window_labels.h"

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
    auto* close = new QPushButton(QStringLiteral("cmdCloseConnection"), frame1);
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
    log_ = std::make_unique<WidgetStatusLog>(status_, cmdConnect_);
    connect(cmdConnect_, &QPushButton::clicked, this, &frmLanSet::cmdConnect_Click);
    connect(close, &QPushButton::clicked, this, &frmLanSet::cmdCloseConnection_Click);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

frmLanSet::~frmLanSet() = default;

void frmLanSet::Form_Load()
{
    fncApplyLabels(this, state_);
    if (state_.gLinkMode == 2) {
        log_->appendLine("Connected");
        txtIPaddress_->setEnabled(false);
        cmdConnect_->setEnabled(false);
        txtIPaddress_->setText(QString::fromStdString(state_.gLanAddress));
    }
}

void frmLanSet::cmdConnect_Click()
{
    cmdConnect_->setEnabled(false);
    if (!startLanConnect(link_, txtIPaddress_->text())) {
        showErrorBox(link_);
        return;
    }
    log_->appendLine("Connected");
    txtIPaddress_->setEnabled(false);
    state_.gLinkMode = 2;
    link_.channel().fncCloseComPort();
    if (!watchLanConnect(link_, *log_))
        return;
    if (link_.socket().state() == kSockError) {
        link_.socket().close();
        txtIPaddress_->setEnabled(true);
        cmdConnect_->setEnabled(true);
        state_.gLinkMode = 0;
    } else {
        state_.gLanAddress = txtIPaddress_->text().toStdString();
    }
}

void frmLanSet::cmdCloseConnection_Click()
{
    cmdConnect_->setEnabled(true);
    link_.sockets().fncLanDisconnect();
    txtIPaddress_->setEnabled(true);
    link_.channel().fncCloseComPort();
    state_.gLinkMode = link_.channel().fncOpenComPort() == 0 ? 1 : 0;
}
