#pragma once
// The device link of the program and the windows that drive it: the main window's connection
// panel and measurement panels, and the Option menu's serial, telnet and LAN settings.
//
// Wiring into the program:
//     auto link = attachLinkControls(&app.mainWindow(), app.state(), app.messenger());
//     app.openSerialPort = [&] { return link->openSerialAtStartup(); };   // start-up step 5
//     app.stopMeasurement = [&] { link->stopMeasurementAtExit(); };      // exit routine
// (fncLinkStartup does steps 5 and 6 in one call for code that has no such hook.)

#include "app_state.h"
#include "messages.h"

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

    // Start-up step 5: opens the serial port; true when it opened ("connected" is logged).
    bool openSerialAtStartup();
    // The exit routine's measurement stop ("M /E" when a continuous measurement runs).
    void stopMeasurementAtExit();

    // mnuComSet, mnuTelnetSetting, mnuLanSet.
    void openComSettings();
    void openTelnetSettings();
    void openLanSettings();

    // frmLanSet as it is loaded now, loading it (hidden) when it is not: the LAN disconnect
    // writes to its status box even while it is not on the screen.
    frmLanSet& lanSettings();
    bool lanSettingsLoaded() const { return !lanSet_.isNull(); }

private:
    QWidget* frmMain_;
    std::unique_ptr<DeviceLink> link_;
    ConnectionPanel* connection_ = nullptr;
    MeasurePanel* measure_ = nullptr;
    QPointer<frmLanSet> lanSet_;
    std::unique_ptr<StatusLog> lanSetLog_;
};

// Builds the link for frmMain and attaches the panels and menus (found by object name).
std::unique_ptr<LinkControls> attachLinkControls(QWidget* frmMain, AppState& state, Messenger& messages);

// Start-up steps 5 and 6: the serial port opened (gLinkMode 1, else 0) and the LAN
// terminator set to CR.
void fncLinkStartup(LinkControls& controls);

// The exit routine's measurement stop.
void fncLinkExit(LinkControls& controls);
