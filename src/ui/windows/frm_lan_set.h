#pragma once
// frmLanSet: make and end the LAN link from a dialog with its own status box. The serial
// link gives way while the LAN link is up and comes back when it ends. The dialog shows the
// link as it is, whichever window made or ended it.

#include "app/app_state.h"

#include <QDialog>

#include <memory>

class DeviceLink;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class WidgetStatusLog;

class frmLanSet : public QDialog {
    Q_OBJECT
public:
    frmLanSet(DeviceLink& link, QWidget* parent = nullptr);
    ~frmLanSet() override;

    void Form_Load();
    void cmdConnect_Click();
    void cmdCloseConnection_Click();
    // Shows the current link: the LAN address and Close while it is up, Connect otherwise.
    void showLink();

    QLineEdit* txtIPaddress() const { return txtIPaddress_; }
    QPushButton* cmdConnect() const { return cmdConnect_; }
    QPushButton* cmdCloseConnection() const { return cmdClose_; }
    QPlainTextEdit* Status() const { return status_; }
    WidgetStatusLog& statusLog() { return *log_; }

private:
    DeviceLink& link_;
    AppState& state_;
    QLineEdit* txtIPaddress_ = nullptr;
    QPushButton* cmdConnect_ = nullptr;
    QPushButton* cmdClose_ = nullptr;
    int subscription_ = 0;
    QPlainTextEdit* status_ = nullptr;
    std::unique_ptr<WidgetStatusLog> log_;
};
