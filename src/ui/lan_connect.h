#pragma once
// Making and ending the link, shared by the main window's connection panel and frmLanSet.
// Both windows go through these routines, which set gLinkMode and tell every view of the
// link (LinkNotifier), so the two windows always show the same link.

#include "app_state.h"

#include <QString>

#include <string>

class DeviceLink;
class StatusLog;

inline constexpr const char* kDefaultControllerAddress = "192.168.1.10";
inline constexpr int kWatchSteps = 50;
inline constexpr int kWatchStepMs = 300;
// Label of the message file: the reason given when an address does not answer the watch.
inline constexpr long kLabelNoAnswer = 300;
// Label of the message file: the reason given when Connect is pressed with no address.
inline constexpr long kLabelNoAddress = 306;

// How a watched LAN connect ended.
enum class LanConnectEnd { Connected, Failed, NoAnswer, Cancelled };

// Logs "Connecting to HOST:PORT", then waits up to 50 steps of 300 ms for the connection,
// logging the state at the start and "<step> - <state text>" at every tenth step; window
// events run between the steps. The watch ends as soon as the socket is connected, fails
// (the reason is then the socket's) or is closed under it (Disconnect pressed meanwhile).
LanConnectEnd watchLanConnect(DeviceLink& link, StatusLog& log);

// The LAN connect of either window: the typed address (host, host:port, [v6]:port; port 23
// otherwise), a serial link giving way first, the watch, and then the LAN link current with
// "Connected" logged and gLanAddress recorded, or no link, the socket closed and an "ERROR"
// box that says why. True when the LAN link is up.
bool connectLan(DeviceLink& link, const QString& typed, StatusLog& log);

// Ends the current link, serial or LAN; no link afterwards.
void disconnectLink(DeviceLink& link);

// Ends the LAN link and lets the serial link come back when its port opens.
void disconnectLanToSerial(DeviceLink& link);

// The plain "ERROR" box of the connection handlers; the detail, when given, on the next line.
void showErrorBox(DeviceLink& link, const std::string& detail = {});
