#include "connection_panel.h"

#include "lan_connect.h"
#include "widget_status_log.h"

#include "link/device_link.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

ConnectionPanel::ConnectionPanel(QWidget* frmMain, DeviceLink& link) : QObject(frmMain), link_(link)
{
    serial_ = frmMain->findChild<QRadioButton*>(QStringLiteral("Serial"));
    lan_ = frmMain->findChild<QRadioButton*>(QStringLiteral("Lan"));
    address_ = frmMain->findChild<QComboBox*>(QStringLiteral("txtIPaddress"));
    addressLabel_ = frmMain->findChild<QLabel*>(QStringLiteral("IPAddrLabel"));
    connect_ = frmMain->findChild<QPushButton*>(QStringLiteral("cmdConnect"));
    close_ = frmMain->findChild<QPushButton*>(QStringLiteral("cmdCloseConnection"));
    QWidget* status = frmMain->findChild<QWidget*>(QStringLiteral("Status"));
    Q_ASSERT(serial_ && lan_ && address_ && addressLabel_ && connect_ && close_ && status);
    log_ = std::make_unique<WidgetStatusLog>(status, connect_);

    connect(connect_, &QPushButton::clicked, this, &ConnectionPanel::cmdConnect_Click);
    connect(close_, &QPushButton::clicked, this, &ConnectionPanel::cmdCloseConnection_Click);
    address_->setInsertPolicy(QComboBox::NoInsert);
    if (address_->lineEdit())
        address_->lineEdit()->installEventFilter(this);
    address_->installEventFilter(this);
}

ConnectionPanel::~ConnectionPanel() = default;

bool ConnectionPanel::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            updateAddressHistory();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

void ConnectionPanel::updateAddressHistory()
{
    QString typed = address_->currentText();
    QStringList entries{typed};
    for (int i = 0; i < address_->count() && entries.size() < kAddressHistory; ++i) {
        if (address_->itemText(i) != typed)
            entries << address_->itemText(i);
    }
    address_->clear();
    for (const QString& e : entries) {
        if (e.isEmpty())
            break;
        address_->addItem(e);
    }
    address_->setCurrentIndex(-1);
    address_->setEditText(QString());
}

void ConnectionPanel::cmdConnect_Click()
{
    if (serial_->isChecked())
        connectSerial();
    else
        connectLan();
}

void ConnectionPanel::disableAfterConnect()
{
    for (QWidget* w : std::initializer_list<QWidget*>{serial_, lan_, address_, connect_, addressLabel_})
        w->setEnabled(false);
}

void ConnectionPanel::connectSerial()
{
    if (link_.channel().fncOpenComPort() != 0) {
        showErrorBox(link_);
        return;
    }
    disableAfterConnect();
    link_.state().gLinkMode = 1;
}

void ConnectionPanel::connectLan()
{
    connect_->setEnabled(false);
    if (!startLanConnect(link_, address_->currentText())) {
        showErrorBox(link_);
        return;
    }
    log_->appendLine("Connected");
    disableAfterConnect();
    link_.state().gLinkMode = 2;
    // Whatever the watch ends in, the controls stay as they are until Close is pressed.
    watchLanConnect(link_, *log_);
}

void ConnectionPanel::cmdCloseConnection_Click()
{
    serial_->setEnabled(true);
    lan_->setEnabled(true);
    connect_->setEnabled(true);
    link_.state().gLinkMode = 0;
    if (serial_->isChecked()) {
        link_.channel().fncCloseComPort();
    } else {
        link_.sockets().fncLanDisconnect();
        address_->setEnabled(true);
    }
}
