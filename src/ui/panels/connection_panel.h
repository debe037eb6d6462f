#pragma once
// The main window's connection panel (frame CommMethod): the address box with its history,
// Connect and Close, and the `Status` log. The Serial/Lan choice only enables the address
// box; frmMain does that itself. Whenever the link changes, whoever changed it, the panel
// shows it: the link's radio button, its address, and Connect or Close enabled.

#include <QObject>

#include <memory>

class DeviceLink;
class QComboBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QWidget;
class WidgetStatusLog;

inline constexpr int kAddressHistory = 16;

class ConnectionPanel : public QObject {
    Q_OBJECT
public:
    // Finds the panel's controls in the main window by name and connects to them.
    ConnectionPanel(QWidget* frmMain, DeviceLink& link);
    ~ConnectionPanel() override;

    WidgetStatusLog& statusLog() { return *log_; }

    void cmdConnect_Click();
    void cmdCloseConnection_Click();
    // Enter in the address box: the typed address goes to the top of the history.
    void updateAddressHistory();
    // Shows the current link (gLinkMode, a LAN connect on its way).
    void showLink();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void connectSerial();

    DeviceLink& link_;
    QRadioButton* serial_ = nullptr;
    QRadioButton* lan_ = nullptr;
    QComboBox* address_ = nullptr;
    QLabel* addressLabel_ = nullptr;
    QPushButton* connect_ = nullptr;
    QPushButton* close_ = nullptr;
    std::unique_ptr<WidgetStatusLog> log_;
    int subscription_ = 0;
};
