#include "lan_connect.h"

#include "link/device_link.h"
#include "link/lan_address.h"

bool startLanConnect(DeviceLink& link, const QString& typed)
{
    if (link.socket().state() != kSockClosed) {
        link.socket().close();
        return false;
    }
    auto address = parseLanAddress(typed.toStdString());
    if (!address)
        return false;
    link.socket().setRemote(address->host, address->port);
    link.socket().connectToRemote();
    return true;
}

bool watchLanConnect(DeviceLink& link, StatusLog& log)
{
    SocketLayer& sockets = link.sockets();
    sockets.yield(Pump::All);
    log.appendLine(sockets.fncSockStateText());
    for (int step = 1; step <= kWatchSteps; ++step) {
        sockets.fncWaitMs(kWatchStepMs);
        if (step % 10 == 0)
            log.appendLine(std::to_string(step) + " - " + sockets.fncSockStateText());
        if (link.socket().state() == kSockConnected)
            break;
        sockets.yield(Pump::All);
    }
    if (link.socket().state() == kSockConnecting) {
        showErrorBox(link);
        return false;
    }
    log.appendLine(sockets.fncSockStateText());
    return true;
}

void showErrorBox(DeviceLink& link)
{
    BoxRequest box;
    box.text = "ERROR";
    box.style = kStyleOK;
    box.title = kAppTitle;
    link.messages().prompter().show(box);
}
