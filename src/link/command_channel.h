#pragma once
// The request/response exchange with the controller on the current link: one command line
// out, one reply line back, and the three conditions the channel reports itself (no link,
// no reply, "ER").

#include "app/link_settings.h"
#include "app/messages.h"
#include "link/clock.h"
#include "link/link_session.h"
#include "link/serial_port.h"
#include "link/socket_layer.h"
#include "link/status_log.h"
#include "link/telnet_text.h"
#include "link/transfer_mark.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

struct AppState;

inline constexpr int64_t kSerialReplyMs = 5000;
inline constexpr int64_t kLanReplyMs = 5000;
inline constexpr int64_t kLanReconnectMs = 6000;

// Message numbers the channel shows.
inline constexpr long kMsgNoLink = 21;
inline constexpr long kMsgNoReply = 22;
inline constexpr long kMsgErrorReply = 24;
inline constexpr long kMsgSerialLinkLost = 300;

// Texts of the connection log (Label n of the message file).
inline constexpr long kLabelPortOpened = 301;
inline constexpr long kLabelPortClosed = 302;
inline constexpr long kLabelPortLost = 303;
inline constexpr long kLabelPortInUse = 304;
inline constexpr long kLabelDialoutHint = 305;
inline constexpr long kLabelTransferLeftOpen = 307;
inline constexpr long kLabelKilledRunTransfer = 308;

// How long the channel reads away what a controller still says after the stop sequence that
// ended a transfer left open: until the line has been quiet this long, at most the limit.
inline constexpr int64_t kLeftoverQuietMs = 300;
inline constexpr int64_t kLeftoverLimitMs = 2000;

class CommandChannel {
public:
    // session: whose link this is (a lost port ends it there, a dropped socket reconnects).
    CommandChannel(AppState& state, Messenger& messages, Clock& clock, SerialPort& port,
                   SocketLayer& sockets, LinkSession& session);

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
    // Whether the last fncSendCommand that failed ("" or "ER") told the user so; not after an
    // interrupted wait or when the message file lacks the text.
    bool lastFailureReported() const { return failureReported_; }
    // One exchange; *xmodemTraffic (when given) is set when XMODEM traffic came instead of
    // a reply, which then is "".
    std::string fncComTransact(const std::string& command, bool* xmodemTraffic = nullptr);
    std::string fncLanTransact(const std::string& command, bool* xmodemTraffic = nullptr);

    // Opens the serial port gComPort with gComSettings: 0 opened, 1 failed (the reason is
    // logged in the status box). Binary mode is for the XMODEM transfer.
    int fncOpenComPort(bool binary = false);
    void fncCloseComPort();
    // The same port reopened in binary mode for an XMODEM transfer, or back in text mode
    // after it: a change of mode, not of the link, so only a failure is logged. 0 or 1.
    int fncSwitchComMode(bool binary);

    // Why the last open of the serial port failed, as logged ("COM1 /dev/ttyUSB0: reason").
    const std::string& lastPortFailure() const { return lastPortFailure_; }
    // "COM1 /dev/ttyUSB0": the serial port as the log and the messages name it.
    std::string serialName() const;
    // The serial device went away (adapter pulled, peer gone): the link ends as by Disconnect,
    // with one message naming the device and a log line with the system's reason.
    void endLostSerialLink();

    // The device that serial port number n stands for (the same for every opener).
    std::string deviceName(int port) const { return resolver_(port); }

    // Marks the transfer about to start on this link for as long as the mark lives: a run
    // killed inside it tells the next one so (see transfer_mark.h).
    std::unique_ptr<TransferMark> markTransfer();
    void setTransferMarkFolder(std::filesystem::path folder) { markFolder_ = std::move(folder); }

    SerialPort& port() { return port_; }
    SocketLayer& sockets() { return sockets_; }
    // Whose link this is.
    LinkSession& session() { return session_; }
    AppState& state() { return state_; }
    Messenger& messages() { return messages_; }

private:
    void log(const std::string& line);
    // A text of the message file with subject put in; fallback when it is missing.
    std::string text(long label, const std::string& subject, const char* fallback);
    int openPort(bool binary, bool logOpened);
    std::string serialExchange(const std::string& command);
    std::string lanExchange(const std::string& command);
    // The controller answered with XMODEM traffic: the stop sequence ends the transfer it is
    // still in, and what it sends meanwhile is read away.
    void endLeftoverTransfer(bool lan, long logLabel = kLabelTransferLeftOpen);
    // A run killed inside a transfer on this link left its mark: that transfer is ended
    // before the command goes. True when there was one.
    bool endKilledRunsTransfer(bool lan);
    // The device path or host:port a transfer mark names.
    std::string markTarget(bool lan);
    // The text of what arrived on the LAN link, negotiation refused and removed.
    std::string takeTelnetText(const std::string& arrived);

    AppState& state_;
    Messenger& messages_;
    Clock& clock_;
    SerialPort& port_;
    SocketLayer& sockets_;
    StatusLog* log_ = nullptr;
    std::function<std::string(int)> resolver_;
    LinkSession& session_;
    TelnetTextFilter telnet_;
    bool lostInExchange_ = false;  // the exchange ended the link and reported it
    bool failureReported_ = false;
    std::string lastPortFailure_;
    std::function<bool()> interrupted_;
    std::filesystem::path markFolder_ = defaultTransferMarkFolder();

    bool interrupted() const { return interrupted_ && interrupted_(); }
};
