#pragma once
// Starting a LAN connection and the 50-step watch that logs its progress, shared by the main
// window's connection panel and frmLanSet.

#include "app_state.h"

#include <QString>

class DeviceLink;
class StatusLog;

inline constexpr const char* kDefaultControllerAddress = "192.168.1.10";
inline constexpr int kWatchSteps = 50;
inline constexpr int kWatchStepMs = 300;

// Points the socket at the typed address (host, host:port, [v6]:port; port 23 otherwise) and
// asks it to connect. False when the address cannot be used.
bool startLanConnect(DeviceLink& link, const QString& typed);

// Steps 1..50: wait 300 ms, log "<step> - <state text>" at every tenth step, stop once
// connected; window events run between the steps.
void watchLanConnect(DeviceLink& link, StatusLog& log);

// The plain "ERROR" box of the connection handlers.
void showErrorBox(DeviceLink& link);
