#include "ui/panels/connection_panel.h"

#include "ui/panels/lan_connect.h"
#include "ui/qt/widget_status_log.h"

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
    log_ = std::make_unique<WidgetStatusLog>(status, connect_, &link.clock());

    connect(connect_, &QPushButton::clicked, this, &ConnectionPanel::cmdConnect_Click);
    connect(close_, &QPushButton::clicked, this, &ConnectionPanel::cmdCloseConnection_Click);
    address_->setInsertPolicy(QComboBox::NoInsert);
    if (address_->lineEdit())
        address_->lineEdit()->installEventFilter(this);
    address_->installEventFilter(this);
    subscription_ = link_.notifier().subscribe([this] { showLink(); });
}

ConnectionPanel::~ConnectionPanel()
{
    link_.notifier().unsubscribe(subscription_);
}

void ConnectionPanel::showLink()
{
    const int mode = link_.state().gLinkMode;
    const bool lan = mode == kLinkLan || link_.lanConnecting();
    const bool linked = lan || mode == kLinkSerial;
    if (linked) {
        serial_->setChecked(!lan);
        lan_->setChecked(lan);
    }
    if (lan && !link_.state().gLanAddress.empty() && !link_.lanConnecting())
        address_->setEditText(QString::fromStdString(link_.state().gLanAddress));
    serial_->setEnabled(!linked);
    lan_->setEnabled(!linked);
    address_->setEnabled(!linked && lan_->isChecked());
    addressLabel_->setEnabled(!linked && lan_->isChecked());
    connect_->setEnabled(!linked);
    close_->setEnabled(linked);
}

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
        connectLan(link_, address_->currentText(), *log_);
}

void ConnectionPanel::connectSerial()
{
    if (!link_.session().openSerial()) {
        // The box says why, as the log does: in use, no permission, no such device.
        showErrorBox(link_, link_.channel().lastPortFailure());
    }
}

void ConnectionPanel::cmdCloseConnection_Click()
{
    link_.session().disconnect();
}
