#include "link/link_session.h"

#include "app/app_state.h"
#include "link/clock.h"
#include "link/command_channel.h"
#include "link/socket_layer.h"

#include <algorithm>
#include <exception>

namespace {

// How often a reconnect that may be interrupted looks whether it was.
constexpr int64_t kInterruptCheckMs = 100;

bool stillConnecting(int state)
{
    return state == kSockResolvingHost || state == kSockHostResolved || state == kSockConnecting
        || state == kSockConnectionPending;
}

} // namespace

LinkSession::LinkSession(AppState& state, Clock& clock, SocketLayer& sockets)
    : state_(state), clock_(clock), sockets_(sockets)
{
}

LinkMode LinkSession::mode() const
{
    return LinkMode(state_.gLinkMode);
}

void LinkSession::setMode(LinkMode mode)
{
    state_.gLinkMode = mode;
    changed();
}

void LinkSession::setLanConnecting(bool on)
{
    lanConnecting_ = on;
    changed();
}

bool LinkSession::openSerial()
{
    if (channel_->fncOpenComPort() != 0)
        return false;
    setMode(kLinkSerial);
    return true;
}

bool LinkSession::openSerialOrNone()
{
    bool opened = channel_->fncOpenComPort() == 0;
    setMode(opened ? kLinkSerial : kLinkNone);
    return opened;
}

bool LinkSession::reopenSerial()
{
    if (mode() == kLinkLan)
        return true;
    channel_->fncCloseComPort();
    bool opened = channel_->fncOpenComPort() == 0;
    if (opened)
        state_.gLinkMode = kLinkSerial;
    // A port that did not open again is closed under the serial link: the views show that too.
    changed();
    return opened;
}

LanConnectEnd LinkSession::watchLanConnect(StatusLog& log)
{
    TcpSocket& socket = sockets_.socket();
    sockets_.yield(Pump::All);
    log.appendLine(sockets_.fncSockStateText());
    for (int step = 1; step <= kWatchSteps; ++step) {
        sockets_.fncWaitMs(kWatchStepMs);
        if (step % 10 == 0)
            log.appendLine(std::to_string(step) + " - " + sockets_.fncSockStateText());
        if (!stillConnecting(socket.state()))
            break;
        sockets_.yield(Pump::All);
    }
    int state = socket.state();
    if (state == kSockConnected) {
        log.appendLine(sockets_.fncSockStateText());
        return LanConnectEnd::Connected;
    }
    if (stillConnecting(state))
        return LanConnectEnd::NoAnswer;
    if (state == kSockClosed && socket.errorReason().empty())
        return LanConnectEnd::Cancelled;
    log.appendLine(sockets_.fncSockStateText());
    return LanConnectEnd::Failed;
}

void LinkSession::giveUpLan(bool serialGaveWay)
{
    sockets_.socket().close();
    setLanConnecting(false);
    setMode(serialGaveWay && channel_->fncOpenComPort() == 0 ? kLinkSerial : kLinkNone);
}

LanAttempt LinkSession::connectLan(const LanAddress& address, const std::string& shown, StatusLog& log)
{
    TcpSocket& socket = sockets_.socket();
    const std::string where = formatLanAddress(address);
    bool serialGaveWay = false;
    try {
        // A socket left over from a connection the peer ended goes first.
        if (socket.state() != kSockClosed)
            socket.close();
        // One link at a time: the serial link gives way to the LAN link, and comes back when
        // the LAN link does not come up.
        serialGaveWay = mode() == kLinkSerial;
        if (serialGaveWay || channel_->port().isOpen())
            channel_->fncCloseComPort();
        state_.gLinkMode = kLinkNone;
        log.appendLine("Connecting to " + where);
        socket.setRemote(address.host, address.port);
        socket.connectToRemote();
        setLanConnecting(true);
        LanConnectEnd end = watchLanConnect(log);
        if (end == LanConnectEnd::Connected) {
            log.appendLine("Connected");
            state_.gLanAddress = shown;
            setLanConnecting(false);
            setMode(kLinkLan);
            return {end, {}};
        }
        if (end == LanConnectEnd::Cancelled) { // Close pressed meanwhile: the link is already none
            setLanConnecting(false);
            return {end, {}};
        }
        std::string reason = socket.errorReason();
        if (end == LanConnectEnd::NoAnswer || reason.empty()) {
            reason = channel_->messages().fncGetMessage("Label", kLabelNoAnswer);
            if (reason.empty())
                reason = "no answer";
        }
        log.appendLine(where + ": " + reason);
        giveUpLan(serialGaveWay);
        return {end, where + ": " + reason};
    } catch (const std::exception& e) {
        giveUpLan(serialGaveWay);
        return {LanConnectEnd::Failed, where + ": " + e.what()};
    }
}

LanWait LinkSession::reconnectLan(int64_t untilMs, bool untilRefused, const std::function<bool()>& interrupted)
{
    TcpSocket& socket = sockets_.socket();
    socket.close();
    socket.connectToRemote();
    while (socket.state() != kSockConnected) {
        int s = socket.state();
        if (untilRefused && (s == kSockClosed || s == kSockClosing || s == kSockError))
            return LanWait::Refused;
        if (clock_.nowMs() >= untilMs)
            return LanWait::TimedOut;
        if (interrupted && interrupted())
            return LanWait::Interrupted;
        int64_t wakeAt = interrupted ? std::min(untilMs, clock_.nowMs() + kInterruptCheckMs) : untilMs;
        sockets_.waiter().waitUntil(wakeAt, Pump::NonInput);
    }
    return LanWait::Connected;
}

void LinkSession::disconnect()
{
    if (mode() == kLinkLan || lanConnecting() || sockets_.socket().state() != kSockClosed)
        sockets_.fncLanDisconnect();
    if (mode() == kLinkSerial || channel_->port().isOpen())
        channel_->fncCloseComPort();
    setLanConnecting(false);
    setMode(kLinkNone);
}

void LinkSession::disconnectLanToSerial()
{
    sockets_.fncLanDisconnect();
    setLanConnecting(false);
    channel_->fncCloseComPort();
    setMode(channel_->fncOpenComPort() == 0 ? kLinkSerial : kLinkNone);
}
