#include "lan_connect.h"

#include "link/device_link.h"
#include "link/lan_address.h"
#include "link/status_log.h"
#include "text_codec.h"

#include <exception>

namespace {

std::string hostAndPort(const LanAddress& address)
{
    bool v6 = address.host.find(':') != std::string::npos;
    return (v6 ? "[" + address.host + "]" : address.host) + ":" + std::to_string(address.port);
}

bool stillConnecting(int state)
{
    return state == kSockResolvingHost || state == kSockHostResolved || state == kSockConnecting
        || state == kSockConnectionPending;
}

} // namespace

LanConnectEnd watchLanConnect(DeviceLink& link, StatusLog& log)
{
    SocketLayer& sockets = link.sockets();
    sockets.yield(Pump::All);
    log.appendLine(sockets.fncSockStateText());
    for (int step = 1; step <= kWatchSteps; ++step) {
        sockets.fncWaitMs(kWatchStepMs);
        if (step % 10 == 0)
            log.appendLine(std::to_string(step) + " - " + sockets.fncSockStateText());
        if (!stillConnecting(link.socket().state()))
            break;
        sockets.yield(Pump::All);
    }
    int state = link.socket().state();
    if (state == kSockConnected) {
        log.appendLine(sockets.fncSockStateText());
        return LanConnectEnd::Connected;
    }
    if (stillConnecting(state))
        return LanConnectEnd::NoAnswer;
    if (state == kSockClosed && link.socket().errorReason().empty())
        return LanConnectEnd::Cancelled;
    log.appendLine(sockets.fncSockStateText());
    return LanConnectEnd::Failed;
}

bool connectLan(DeviceLink& link, const QString& typed, StatusLog& log)
{
    AppState& state = link.state();
    TcpSocket& socket = link.socket();
    auto address = parseLanAddress(typed.toStdString());
    if (!address) {
        // An empty box is a missing address, not an address of two quotes.
        const std::string why = trimChars(typed.toStdString(), " \t").empty()
            ? link.messages().fncGetMessageAbout("Label", kLabelNoAddress, {}, "no address was typed")
            : "\"" + typed.toStdString() + "\"";
        log.appendLine(why);
        showErrorBox(link, why);
        return false;
    }
    const std::string where = hostAndPort(*address);
    bool serialGaveWay = false;
    auto noLan = [&] {
        socket.close();
        link.setLanConnecting(false);
        link.setLinkMode(serialGaveWay && link.channel().fncOpenComPort() == 0 ? 1 : 0);
    };
    try {
        // A socket left over from a connection the peer ended goes first.
        if (socket.state() != kSockClosed)
            socket.close();
        // One link at a time: the serial link gives way to the LAN link, and comes back when
        // the LAN link does not come up.
        serialGaveWay = state.gLinkMode == 1;
        if (serialGaveWay || link.port().isOpen())
            link.channel().fncCloseComPort();
        state.gLinkMode = 0;
        log.appendLine("Connecting to " + where);
        socket.setRemote(address->host, address->port);
        socket.connectToRemote();
        link.setLanConnecting(true);
        LanConnectEnd end = watchLanConnect(link, log);
        if (end == LanConnectEnd::Connected) {
            log.appendLine("Connected");
            state.gLanAddress = trimChars(typed.toStdString(), " \t");
            link.setLanConnecting(false);
            link.setLinkMode(2);
            return true;
        }
        if (end == LanConnectEnd::Cancelled) { // Close pressed meanwhile: the link is already none
            link.setLanConnecting(false);
            return false;
        }
        std::string reason = socket.errorReason();
        if (end == LanConnectEnd::NoAnswer || reason.empty()) {
            reason = link.messages().fncGetMessage("Label", kLabelNoAnswer);
            if (reason.empty())
                reason = "no answer";
        }
        log.appendLine(where + ": " + reason);
        noLan();
        showErrorBox(link, where + ": " + reason);
    } catch (const std::exception& e) {
        noLan();
        showErrorBox(link, where + ": " + e.what());
    }
    return false;
}

void disconnectLink(DeviceLink& link)
{
    if (link.state().gLinkMode == 2 || link.lanConnecting() || link.socket().state() != kSockClosed)
        link.sockets().fncLanDisconnect();
    if (link.state().gLinkMode == 1 || link.port().isOpen())
        link.channel().fncCloseComPort();
    link.setLanConnecting(false);
    link.setLinkMode(0);
}

void disconnectLanToSerial(DeviceLink& link)
{
    link.sockets().fncLanDisconnect();
    link.setLanConnecting(false);
    link.channel().fncCloseComPort();
    link.setLinkMode(link.channel().fncOpenComPort() == 0 ? 1 : 0);
}

void showErrorBox(DeviceLink& link, const std::string& detail)
{
    BoxRequest box;
    box.text = detail.empty() ? "ERROR" : "ERROR\r\n" + detail;
    box.style = kStyleOK;
    box.title = kAppTitle;
    link.messages().prompter().show(box);
}
