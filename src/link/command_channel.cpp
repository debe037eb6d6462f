#include "command_channel.h"

#include "framing.h"
#include "link_error.h"
#include "port_names.h"

#include <algorithm>
#include <cctype>

namespace {
// How often a reply wait looks whether the user ended it.
constexpr int64_t kInterruptCheckMs = 100;
}

CommandChannel::CommandChannel(AppState& state, Messenger& messages, Clock& clock, SerialPort& port,
                               SocketLayer& sockets)
    : state_(state), messages_(messages), clock_(clock), port_(port), sockets_(sockets),
      resolver_(fncComDeviceName)
{
}

void CommandChannel::log(const std::string& line)
{
    if (log_)
        log_->appendLine(line);
}

std::string CommandChannel::fncSendCommand(const std::string& command)
{
    std::string reply;
    try {
        switch (state_.gLinkMode) {
        case 1:
            // A port closed under the serial link (a transfer that could not give it back)
            // is no link at all: say so instead of failing silently.
            if (!port_.isOpen() && !port_.deviceLost()) {
                messages_.fncShowMessage("Message", kMsgNoLink);
                return {};
            }
            reply = fncComTransact(command);
            break;
        case 2:
            // Let the socket take in what happened while the program sat idle (a peer
            // that closed the connection), so a dropped link is reconnected first.
            sockets_.yield(Pump::NonInput);
            if (sockets_.socket().state() == kSockConnected)
                takeTelnetText(sockets_.socket().readAll()); // stale text is dropped, negotiation answered
            else
                telnet_.reset();
            reply = fncLanTransact(command);
            break;
        default:
            messages_.fncShowMessage("Message", kMsgNoLink);
            return {};
        }
    } catch (const std::exception&) {
        // The port or socket refused the exchange; the user hears of it as a missing reply.
        reply.clear();
    }
    if (reply.empty() && interrupted())
        return {};  // the user ended the wait: that is no missing reply
    if (reply.empty()) {
        messages_.fncShowMessage("Message", kMsgNoReply);
        return {};
    }
    if (reply == "ER")
        messages_.fncShowMessage("Message", kMsgErrorReply);
    return reply;
}

std::string CommandChannel::fncComTransact(const std::string& command)
{
    const std::string& terminator = state_.gComDelimiter;
    std::string line = frameCommand(command, terminator);
    int64_t start = clock_.nowMs();
    if (port_.deviceLost()) {  // went away while the program sat idle
        endLostSerialLink();
        return {};
    }
    port_.clearInput();
    if (!port_.write(line))
        throw LinkError(kErrLinkFailure, port_.lastError(), "MSComm1");
    std::string buffer;
    for (;;) {
        buffer += port_.readAll();
        if (auto reply = cappedReply(buffer, terminator))
            return *reply;
        if (port_.deviceLost()) {
            endLostSerialLink();
            return {};
        }
        int64_t left = start + kSerialReplyMs - clock_.nowMs();
        if (left <= 0 || interrupted())
            return {};
        port_.waitForInput(int(std::min<int64_t>(left, kInterruptCheckMs)));
    }
}

// The adapter was pulled out or the other end went away: the link ends here, once, and the
// next command reports that there is no link.
void CommandChannel::endLostSerialLink()
{
    std::string reason = port_.lastError();
    std::string device = port_.config().device;
    fncCloseComPort();
    log("COM" + std::to_string(state_.gComPort) + " " + device + ": " + reason);
    state_.gLinkMode = 0;
    notifier_.notify();
}

std::string CommandChannel::fncLanTransact(const std::string& command)
{
    const std::string& terminator = state_.gLanDelimiter;
    std::string line = frameCommand(command, terminator);
    int64_t start = clock_.nowMs();
    TcpSocket& socket = sockets_.socket();
    Waiter& waiter = sockets_.waiter();

    if (socket.state() != kSockConnected) {
        telnet_.reset();
        socket.close();
        socket.connectToRemote();
        int64_t limit = start + kLanReconnectMs;
        while (socket.state() != kSockConnected) {
            if (clock_.nowMs() >= limit || interrupted())
                return {};
            waiter.waitUntil(std::min(limit, clock_.nowMs() + kInterruptCheckMs), Pump::NonInput);
        }
    }
    sockets_.fncSockSendText(line);

    // The pieces of one reply are joined: TCP may deliver "O" and "K\r" in separate reads.
    std::string received;
    for (;;) {
        received += takeTelnetText(sockets_.fncSockReceiveText(Pump::NonInput));
        if (auto reply = cappedReply(received, terminator)) {
            // What followed the reply is dropped, so a command cut there must not swallow
            // the start of the next exchange.
            telnet_.reset();
            return *reply;
        }
        if (clock_.nowMs() >= start + kLanReplyMs || socket.state() != kSockConnected || interrupted())
            return {};
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
    if (port_.isOpen())
        port_.close();
    std::string device = resolver_(state_.gComPort);
    std::string reason;
    auto config = parseComSettings(state_.gComSettings, &reason);
    if (!config) {
        reason = "invalid settings: " + reason;
    } else if (device.empty()) {
        reason = "no serial port " + std::to_string(state_.gComPort) + " was found (name its device with PLNTOOL_COM" +
                 std::to_string(state_.gComPort) + ")";
    } else {
        config->device = device;
        config->binary = binary;
        if (port_.open(*config, &reason)) {
            log("connected");
            return 0;
        }
    }
    std::string lower = reason;
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
    if (lower.find("permission") != std::string::npos)
        reason += state_.gLanguage == 0 ? "（このユーザーを dialout グループに加える必要があります）"
                                        : " (the user must be in the dialout group)";
    log("COM" + std::to_string(state_.gComPort) + (device.empty() ? "" : " " + device) + ": " + reason);
    return 1;
}

void CommandChannel::fncCloseComPort()
{
    if (port_.isOpen())
        port_.close();
    log("closed");
}
