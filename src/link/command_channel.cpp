#include "link/command_channel.h"

#include "app/app_state.h"
#include "link/framing.h"
#include "link/lan_address.h"
#include "link/link_error.h"
#include "link/port_names.h"

#include <algorithm>
#include <cctype>

namespace {

constexpr char kCan = 0x18;
// How often a reply wait looks whether the user ended it.
constexpr int64_t kInterruptCheckMs = 100;

} // namespace

CommandChannel::CommandChannel(AppState& state, Messenger& messages, Clock& clock, SerialPort& port,
                               SocketLayer& sockets, LinkSession& session)
    : state_(state), messages_(messages), clock_(clock), port_(port), sockets_(sockets),
      resolver_(fncComDeviceName), session_(session)
{
}

void CommandChannel::log(const std::string& line)
{
    if (log_)
        log_->appendLine(line);
}

std::string CommandChannel::text(long label, const std::string& subject, const char* fallback)
{
    return messages_.fncGetMessageAbout("Label", label, subject, fallback);
}

std::string CommandChannel::serialName() const
{
    std::string device = port_.isOpen() || port_.deviceLost() ? port_.config().device : resolver_(state_.gComPort);
    return "COM" + std::to_string(state_.gComPort) + (device.empty() ? "" : " " + device);
}

std::string CommandChannel::fncSendCommand(const std::string& command)
{
    std::string reply;
    lostInExchange_ = false;
    failureReported_ = false;
    try {
        switch (state_.gLinkMode) {
        case kLinkSerial:
            // A port closed under the serial link (a transfer that could not give it back)
            // is no link at all: say so instead of failing silently.
            if (!port_.isOpen() && !port_.deviceLost()) {
                failureReported_ = messages_.fncShowMessage("Message", kMsgNoLink) != 0;
                return {};
            }
            reply = serialExchange(command);
            break;
        case kLinkLan:
            reply = lanExchange(command);
            break;
        default:
            failureReported_ = messages_.fncShowMessage("Message", kMsgNoLink) != 0;
            return {};
        }
    } catch (const std::exception&) {
        // The port or socket refused the exchange; the user hears of it as a missing reply.
        reply.clear();
    }
    if (lostInExchange_)
        return {};  // the lost link has been reported with its device
    if (reply.empty() && interrupted())
        return {};  // the user ended the wait: that is no missing reply
    if (reply.empty()) {
        failureReported_ = messages_.fncShowMessage("Message", kMsgNoReply) != 0;
        return {};
    }
    if (reply == "ER")
        failureReported_ = messages_.fncShowMessage("Message", kMsgErrorReply) != 0;
    return reply;
}

std::string CommandChannel::serialExchange(const std::string& command)
{
    endKilledRunsTransfer(false);
    bool traffic = false;
    std::string reply = fncComTransact(command, &traffic);
    if (!traffic || !port_.isOpen())
        return reply;
    endLeftoverTransfer(false);
    traffic = false;
    reply = fncComTransact(command, &traffic);
    return traffic ? std::string() : reply;
}

std::string CommandChannel::lanExchange(const std::string& command)
{
    TcpSocket& socket = sockets_.socket();
    // Let the socket take in what happened while the program sat idle (a peer that closed
    // the connection), so a dropped link is reconnected first.
    auto dropPending = [&] {
        sockets_.yield(Pump::NonInput);
        if (socket.state() != kSockConnected) {
            telnet_.reset();
            return std::string();
        }
        return takeTelnetText(socket.readAll()); // stale text is dropped, negotiation answered
    };
    if (socket.state() == kSockConnected && endKilledRunsTransfer(true))
        dropPending();
    bool traffic = looksLikeXmodemTraffic(dropPending(), true);
    std::string reply;
    if (!traffic)
        reply = fncLanTransact(command, &traffic);
    if (!traffic || socket.state() != kSockConnected)
        return reply;
    endLeftoverTransfer(true);
    dropPending();
    traffic = false;
    reply = fncLanTransact(command, &traffic);
    return traffic ? std::string() : reply;
}

std::string CommandChannel::markTarget(bool lan)
{
    if (lan) {
        const TcpSocket& socket = sockets_.socket();
        return formatLanAddress(socket.remoteHost(), socket.remotePort());
    }
    return port_.isOpen() ? port_.config().device : resolver_(state_.gComPort);
}

std::unique_ptr<TransferMark> CommandChannel::markTransfer()
{
    return std::make_unique<TransferMark>(markFolder_, markTarget(state_.gLinkMode == kLinkLan));
}

bool CommandChannel::endKilledRunsTransfer(bool lan)
{
    if (!takeLeftoverTransferMark(markFolder_, markTarget(lan)))
        return false;
    endLeftoverTransfer(lan, kLabelKilledRunTransfer);
    return true;
}

void CommandChannel::endLeftoverTransfer(bool lan, long logLabel)
{
    TcpSocket& socket = sockets_.socket();
    Waiter& waiter = sockets_.waiter();
    // Reads what has come; false once the link is gone.
    auto take = [&]() -> std::string {
        if (lan)
            return socket.state() == kSockConnected ? socket.readAll() : std::string();
        return port_.readAll();
    };
    auto waitUntil = [&](int64_t deadline) {
        if (lan)
            waiter.waitUntil(deadline, Pump::NonInput);
        else
            port_.waitForInput(int(std::max<int64_t>(1, deadline - clock_.nowMs())));
    };
    // The stop sequence of a transfer: a second's pause, then ten CAN.
    for (int64_t end = clock_.nowMs() + 1000; clock_.nowMs() < end;) {
        waitUntil(end);
        take();
    }
    const std::string cans(10, kCan);
    if (lan) {
        if (socket.state() != kSockConnected)
            return;
        socket.send(cans);
    } else if (!port_.write(cans)) {
        return;
    }
    // What the controller says on its way out of the transfer (on TCP its closing line) must
    // not become the reply to the command.
    const int64_t limit = clock_.nowMs() + kLeftoverLimitMs;
    int64_t quietUntil = clock_.nowMs() + kLeftoverQuietMs;
    while (clock_.nowMs() < std::min(limit, quietUntil)) {
        waitUntil(std::min(limit, quietUntil));
        if (!take().empty())
            quietUntil = clock_.nowMs() + kLeftoverQuietMs;
    }
    telnet_.reset();
    const std::string where = lan ? formatLanAddress(socket.remoteHost(), socket.remotePort()) : serialName();
    log(where + ": "
        + text(logLabel, {},
               logLabel == kLabelTransferLeftOpen
                   ? "the controller was still inside a data transfer: it was stopped and the command sent again"
                   : "an earlier run ended inside a data transfer: the transfer was stopped before the command"));
}

std::string CommandChannel::fncComTransact(const std::string& command, bool* xmodemTraffic)
{
    const std::string& terminator = state_.gComDelimiter;
    std::string line = frameCommand(command, terminator);
    int64_t start = clock_.nowMs();
    if (port_.deviceLost()) {  // went away while the program sat idle
        endLostSerialLink();
        return {};
    }
    auto isTraffic = [&](const std::string& received, bool atEnd) {
        if (!xmodemTraffic || !looksLikeXmodemTraffic(received, atEnd))
            return false;
        *xmodemTraffic = true;
        return true;
    };
    // What waits unread is dropped; a controller still in a transfer is found here too.
    if (isTraffic(port_.readAll(), true))
        return {};
    port_.clearInput();
    if (!port_.write(line))
        throw LinkError(kErrLinkFailure, port_.lastError(), "MSComm1");
    std::string buffer;
    for (;;) {
        buffer += port_.readAll();
        if (isTraffic(buffer, false))
            return {};
        if (auto reply = cappedReply(buffer, terminator))
            return *reply;
        if (port_.deviceLost()) {
            endLostSerialLink();
            return {};
        }
        int64_t left = start + kSerialReplyMs - clock_.nowMs();
        if (left <= 0) {
            isTraffic(buffer, true);
            return {};
        }
        if (interrupted())
            return {};
        port_.waitForInput(int(std::min<int64_t>(left, kInterruptCheckMs)));
    }
}

// The adapter was pulled out or the other end went away: the link ends here, once, and the
// next command reports that there is no link.
void CommandChannel::endLostSerialLink()
{
    const std::string reason = port_.lastError();
    const std::string name = serialName();
    if (port_.isOpen() || port_.deviceLost())
        port_.close();
    log(text(kLabelPortLost, name, "%1 was lost") + (reason.empty() ? "" : ": " + reason));
    lostInExchange_ = true;
    session_.serialLost();
    failureReported_ = messages_.fncShowMessageAbout("Message", kMsgSerialLinkLost, name) != 0;
}

std::string CommandChannel::fncLanTransact(const std::string& command, bool* xmodemTraffic)
{
    const std::string& terminator = state_.gLanDelimiter;
    std::string line = frameCommand(command, terminator);
    int64_t start = clock_.nowMs();
    TcpSocket& socket = sockets_.socket();
    Waiter& waiter = sockets_.waiter();

    if (socket.state() != kSockConnected) {
        telnet_.reset();
        if (session_.reconnectLan(start + kLanReconnectMs, false, [this] { return interrupted(); }) != LanWait::Connected)
            return {};
    }
    sockets_.fncSockSendText(line);

    auto isTraffic = [&](const std::string& received, bool atEnd) {
        if (!xmodemTraffic || !looksLikeXmodemTraffic(received, atEnd))
            return false;
        *xmodemTraffic = true;
        return true;
    };
    // The pieces of one reply are joined: TCP may deliver "O" and "K\r" in separate reads.
    std::string received;
    for (;;) {
        received += takeTelnetText(sockets_.fncSockReceiveText(Pump::NonInput));
        if (isTraffic(received, false))
            return {};
        if (auto reply = cappedReply(received, terminator)) {
            // What followed the reply is dropped, so a command cut there must not swallow
            // the start of the next exchange.
            telnet_.reset();
            return *reply;
        }
        if (clock_.nowMs() >= start + kLanReplyMs || socket.state() != kSockConnected || interrupted()) {
            isTraffic(received, true);
            return {};
        }
    }
}

std::string CommandChannel::takeTelnetText(const std::string& arrived)
{
    std::string text, answers;
    telnet_.take(arrived, text, answers);
    if (!answers.empty() && sockets_.socket().state() == kSockConnected)
        sockets_.socket().send(answers);
    return text;
}

int CommandChannel::fncOpenComPort(bool binary)
{
    return openPort(binary, true);
}

int CommandChannel::fncSwitchComMode(bool binary)
{
    return openPort(binary, false);
}

int CommandChannel::openPort(bool binary, bool logOpened)
{
    if (port_.isOpen())
        port_.close();
    std::string device = resolver_(state_.gComPort);
    const std::string name = "COM" + std::to_string(state_.gComPort) + (device.empty() ? "" : " " + device);
    std::string reason;
    auto config = parseComSettings(state_.gComSettings, &reason);
    PortRefusal refusal = PortRefusal::Other;
    if (!config) {
        reason = "invalid settings: " + reason;
    } else if (device.empty()) {
        reason = "no serial port " + std::to_string(state_.gComPort) + " was found (name its device with PLNTOOL_COM" +
                 std::to_string(state_.gComPort) + ")";
    } else {
        config->device = device;
        config->binary = binary;
        if (port_.open(*config, &reason)) {
            if (logOpened)
                log(text(kLabelPortOpened, name, "%1 opened"));
            return 0;
        }
        refusal = port_.lastRefusal();
    }
    std::string lower = reason;
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
    if (refusal == PortRefusal::InUse)
        reason = text(kLabelPortInUse, name, "in use by another program");
    else if (refusal == PortRefusal::Permission || lower.find("permission") != std::string::npos)
        reason += " (" + text(kLabelDialoutHint, name, "the user must be in the dialout group") + ")";
    lastPortFailure_ = name + ": " + reason;
    log(lastPortFailure_);
    return 1;
}

void CommandChannel::fncCloseComPort()
{
    // Only a port that was open is reported closed: the log tells what happened to the port.
    if (!port_.isOpen() && !port_.deviceLost())
        return;
    const std::string name = serialName();
    port_.close();
    log(text(kLabelPortClosed, name, "%1 closed"));
}
