#pragma once
// The one owner of the link's life: making the serial or the LAN link, ending it, losing it,
// and getting a dropped LAN connection back. The windows, plnctl and the command channel all
// go through it, so gLinkMode changes in one place and every view of the link (LinkNotifier)
// hears of each change.

#include "app/link_settings.h"
#include "link/lan_address.h"
#include "link/link_notifier.h"
#include "link/status_log.h"

#include <cstdint>
#include <functional>
#include <string>

struct AppState;

class Clock;
class CommandChannel;
class SocketLayer;

// The watch of a LAN connect made from a window: 50 steps of 300 ms.
inline constexpr int kWatchSteps = 50;
inline constexpr int kWatchStepMs = 300;
// Label of the message file: the reason given when an address does not answer the watch.
inline constexpr long kLabelNoAnswer = 300;

// How a watched LAN connect ended.
enum class LanConnectEnd { Connected, Failed, NoAnswer, Cancelled };

// A watched LAN connect: how it ended and, when it failed, "HOST:PORT: reason" for the box.
struct LanAttempt {
    LanConnectEnd end = LanConnectEnd::Failed;
    std::string detail;
};

// How a wait for the LAN connection ended.
enum class LanWait { Connected, Refused, TimedOut, Interrupted };

class LinkSession {
public:
    LinkSession(AppState& state, Clock& clock, SocketLayer& sockets);

    // The serial port's opener and closer (its log lines, its device names).
    void setChannel(CommandChannel& channel) { channel_ = &channel; }

    LinkNotifier& notifier() { return notifier_; }
    // The views read the link afresh.
    void changed() { notifier_.notify(); }

    LinkMode mode() const;
    // Sets gLinkMode and tells the views.
    void setMode(LinkMode mode);
    // True while a LAN connect is being watched: the views show the LAN link as on its way.
    bool lanConnecting() const { return lanConnecting_; }
    void setLanConnecting(bool on);

    // Opens the serial port gComPort with gComSettings; the serial link is current when it
    // opened, the link is left as it was when not (the reason is in the status box).
    bool openSerial();
    // The serial link if its port opens, no link otherwise (start-up, a LAN link given up).
    bool openSerialOrNone();
    // The serial settings changed: the port is closed and opened again with them, unless the
    // LAN link is current. False when it did not open again (the link is left as it was).
    bool reopenSerial();

    // The watched LAN connect of the windows: a serial link gives way first and comes back
    // when the LAN link does not come up. "Connecting to HOST:PORT" and the socket's states
    // are logged as the watch goes; connected, shown is kept as gLanAddress.
    LanAttempt connectLan(const LanAddress& address, const std::string& shown, StatusLog& log);
    // Connects the socket to its remote again and waits up to limitMs (from now) for it.
    // untilRefused: a refused or closed socket ends the wait at once (plnctl says why);
    // otherwise the wait goes on to the limit. interrupted, when given, is asked every 100 ms.
    LanWait reconnectLan(int64_t limitMs, bool untilRefused, const std::function<bool()>& interrupted = {});

    // Ends the current link, serial or LAN; no link afterwards.
    void disconnect();
    // Ends the LAN link and lets the serial link come back when its port opens.
    void disconnectLanToSerial();
    // The serial device went away: no link (the channel has closed the port and said so).
    void serialLost() { setMode(kLinkNone); }

private:
    LanConnectEnd watchLanConnect(StatusLog& log);
    // The LAN link did not come up: the socket closes, a serial link that gave way comes back.
    void giveUpLan(bool serialGaveWay);

    AppState& state_;
    Clock& clock_;
    SocketLayer& sockets_;
    CommandChannel* channel_ = nullptr;
    LinkNotifier notifier_;
    bool lanConnecting_ = false;
};
