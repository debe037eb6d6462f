#pragma once
// The LAN connect of the main window's connection panel and of frmLanSet: the typed address
// and the boxes around LinkSession's connect, which sets gLinkMode and tells every view of the
// link (LinkNotifier), so the two windows always show the same link.

#include "app/app_state.h"
#include "link/link_session.h"

#include <QString>

#include <string>

class DeviceLink;
class StatusLog;

inline constexpr const char* kDefaultControllerAddress = "192.168.1.10";
// Label of the message file: the reason given when Connect is pressed with no address.
inline constexpr long kLabelNoAddress = 306;

// The LAN connect of either window: the typed address (host, host:port, [v6]:port; port 23
// otherwise), then LinkSession::connectLan, and the LAN link current with "Connected" logged
// and gLanAddress recorded, or no link, the socket closed and an "ERROR" box that says why.
// True when the LAN link is up.
bool connectLan(DeviceLink& link, const QString& typed, StatusLog& log);

// The plain "ERROR" box of the connection handlers; the detail, when given, on the next line.
void showErrorBox(DeviceLink& link, const std::string& detail = {});
