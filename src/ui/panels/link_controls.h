#pragma once
// The device link of the program and the windows that drive it: the main window's connection
// panel and measurement panels, and the Option menu's serial, telnet and LAN settings.
//
// Wiring into the program (PlnApplication runs the hooks at start-up and exit):
//     LinkControls link(&app.mainWindow(), app.state(), app.messenger());
//     app.openSerialPort = [&] { return link.openSerialAtStartup(); };
//     app.stopMeasurement = [&] { link.stopMeasurementAtExit(); };

#include "app/app_state.h"
#include "app/messages.h"
#include "ui/panels/connection_panel.h"

#include <QObject>
#include <QPointer>

#include <memory>

class ConnectionPanel;
class DeviceLink;
class MeasurePanel;
class QWidget;
class StatusLog;
class frmLanSet;

class LinkControls : public QObject {
    Q_OBJECT
public:
    // The link is the program's (real serial port and socket) unless one is given (tests).
    LinkControls(QWidget* frmMain, AppState& state, Messenger& messages, std::unique_ptr<DeviceLink> link = {});
    ~LinkControls() override;

    DeviceLink& link() { return *link_; }
    ConnectionPanel& connectionPanel() { return *connection_; }
    MeasurePanel& measurePanel() { return *measure_; }

    // The serial port opened at start-up; true when it opened ("connected" is logged).
    bool openSerialAtStartup();
    // The exit routine's measurement stop (when a continuous measurement runs).
    void stopMeasurementAtExit();

    // mnuComSet, mnuTelnetSetting, mnuLanSet.
    void openComSettings();
    void openTelnetSettings();
    void openLanSettings();

    // frmLanSet as it is loaded now, loading it (hidden) when it is not: the LAN disconnect
    // writes to its status box even while it is not on the screen.
    frmLanSet& lanSettings();

private:
    QWidget* frmMain_;
    std::unique_ptr<DeviceLink> link_;
    QPointer<ConnectionPanel> connection_; // the main window's child; goes before the link
    MeasurePanel* measure_ = nullptr;
    QPointer<frmLanSet> lanSet_;
    std::unique_ptr<StatusLog> lanSetLog_;
};
