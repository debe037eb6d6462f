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
// asks it to connect. False when the address cannot be used, and when the socket was not
// closed: it is closed then, and a second press of Connect starts afresh.
bool startLanConnect(DeviceLink& link, const QString& typed);

// Logs the state, then waits up to 50 steps of 300 ms for the connection, logging
// "<step> - <state text>" at every tenth step; window events run between the steps. A socket
// still connecting at the end shows the "ERROR" box and gives false; otherwise the state is
// logged once more and the result is true.
bool watchLanConnect(DeviceLink& link, StatusLog& log);

// The plain "ERROR" box of the connection handlers.
void showErrorBox(DeviceLink& link);
