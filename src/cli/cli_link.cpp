#include "cli_link.h"

#include "app/settings.h"
#include "link/command_channel.h"
#include "link/framing.h"
#include "link/lan_address.h"

#include <cstdio>

bool CliLink::open()
{
    state.programFolder = options_.programFolder;
    if (!fncLoadSettings(state, messages))
        return false;
    state.gLanDelimiter = kCR;
    if (!options_.delimiter.empty()) {
        state.gComDelimiter = *terminatorFromName(options_.delimiter);
        state.gLanDelimiter = state.gComDelimiter;
    }
    link = std::make_unique<DeviceLink>(state, messages);
    link->setStatusLogs(&log, nullptr);

    if (!options_.host.empty()) {
        auto address = parseLanAddress(options_.host);
        if (!address) {
            std::fprintf(stderr, "plnctl: bad address %s\n", options_.host.c_str());
            return false;
        }
        link->socket().setRemote(address->host, address->port);
        state.gLinkMode = 2;
        return true;
    }
    if (options_.com)
        state.gComPort = int16_t(*options_.com);
    if (!options_.device.empty()) {
        std::string device = options_.device;
        link->channel().setDeviceResolver([device](int) { return device; });
        if (!options_.deviceSettings.empty())
            state.gComSettings = options_.deviceSettings;
    }
    if (link->channel().fncOpenComPort() != 0) {
        std::fprintf(stderr, "plnctl: %s\n", log.last.c_str());
        return false;
    }
    state.gLinkMode = 1;
    return true;
}

bool CliLink::connectNow()
{
    if (state.gLinkMode != 2)
        return true;
    TcpSocket& socket = link->socket();
    socket.connectToRemote();
    int64_t limit = link->clock().nowMs() + kLanReconnectMs;
    while (socket.state() != kSockConnected) {
        int s = socket.state();
        if (link->clock().nowMs() >= limit || s == kSockClosed || s == kSockError) {
            std::fprintf(stderr, "plnctl: cannot connect to %s\n", options_.host.c_str());
            return false;
        }
        link->waiter().waitUntil(limit, Pump::NonInput);
    }
    return true;
}
