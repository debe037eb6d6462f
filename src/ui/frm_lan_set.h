#pragma once
// frmLanSet: make and end the LAN link from a dialog with its own status box. The serial
// link gives way while the LAN link is up and comes back when it ends.

#include "app_state.h"

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

    QLineEdit* txtIPaddress() const { return txtIPaddress_; }
    QPushButton* cmdConnect() const { return cmdConnect_; }
    QPlainTextEdit* Status() const { return status_; }
    WidgetStatusLog& statusLog() { return *log_; }

private:
    DeviceLink& link_;
    AppState& state_;
    QLineEdit* txtIPaddress_ = nullptr;
    QPushButton* cmdConnect_ = nullptr;
    QPlainTextEdit* status_ = nullptr;
    std::unique_ptr<WidgetStatusLog> log_;
};
