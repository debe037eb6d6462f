#pragma once
// The request/response exchange with the controller on the current link: one command line
// out, one reply line back, and the three conditions the channel reports itself (no link,
// no reply, "ER").

#include "app/app_state.h"
#include "app/messages.h"
#include "clock.h"
#include "link_notifier.h"
#include "serial_port.h"
#include "socket_layer.h"
#include "status_log.h"
#include "telnet_text.h"

#include <functional>
#include <string>

inline constexpr int64_t kSerialReplyMs = 5000;
inline constexpr int64_t kLanReplyMs = 5000;
inline constexpr int64_t kLanReconnectMs = 6000;

// Message numbers the channel shows.
inline constexpr long kMsgNoLink = 21;
inline constexpr long kMsgNoReply = 22;
inline constexpr long kMsgErrorReply = 24;

class CommandChannel {
public:
    CommandChannel(AppState& state, Messenger& messages, Clock& clock, SerialPort& port,
                   SocketLayer& sockets);

    // The main window's status box ("connected", "closed", why a port did not open).
    void setStatusLog(StatusLog* mainWindow) { log_ = mainWindow; }
    // Which device a port number stands for; fncComDeviceName unless replaced (plnctl --device).
    void setDeviceResolver(std::function<std::string(int)> resolver) { resolver_ = std::move(resolver); }

    // Asked while a reply is awaited (at least every 100 ms): true ends the wait at once, the
    // command unanswered and nothing shown (plnctl's Ctrl-C, SIGTERM, SIGHUP).
    void setInterruptCheck(std::function<bool()> check) { interrupted_ = std::move(check); }

    // Sends the command on the current link and returns the reply line: "" after no link,
    // no reply or a failure, "ER" for an error reply, each already reported to the user.
    std::string fncSendCommand(const std::string& command);
    std::string fncComTransact(const std::string& command);
    std::string fncLanTransact(const std::string& command);

    // Opens the serial port gComPort with gComSettings: 0 opened, 1 failed (the reason is
    // logged in the status box). Binary mode is for the XMODEM transfer.
    int fncOpenComPort(bool binary = false);
    void fncCloseComPort();

    // The device that serial port number n stands for (the same for every opener).
    std::string deviceName(int port) const { return resolver_(port); }

    SerialPort& port() { return port_; }
    SocketLayer& sockets() { return sockets_; }
    // Whoever makes, ends or loses a link calls notify() after setting gLinkMode.
    LinkNotifier& notifier() { return notifier_; }
    AppState& state() { return state_; }
    Messenger& messages() { return messages_; }

private:
    void log(const std::string& line);
    void endLostSerialLink();
    // The text of what arrived on the LAN link, negotiation refused and removed.
    std::string takeTelnetText(const std::string& arrived);

    AppState& state_;
    Messenger& messages_;
    Clock& clock_;
    SerialPort& port_;
    SocketLayer& sockets_;
    StatusLog* log_ = nullptr;
    std::function<std::string(int)> resolver_;
    LinkNotifier notifier_;
    TelnetTextFilter telnet_;
    std::function<bool()> interrupted_;

    bool interrupted() const { return interrupted_ && interrupted_(); }
};
