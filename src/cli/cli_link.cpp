#include "cli_link.h"

#include "app/settings.h"
#include "link/command_channel.h"
#include "link/framing.h"
#include "link/lan_address.h"

#include <cstdio>

CliLink::CliLink(const CliOptions& options) : host_(options.host)
{
    ok_ = setUp(options);
}

bool CliLink::setUp(const CliOptions& options)
{
    state.programFolder = options.programFolder;
    if (!fncLoadSettings(state, messages))
        return false;
    state.gLanDelimiter = kCR;
    if (!options.delimiter.empty()) {
        state.gComDelimiter = *terminatorFromName(options.delimiter);
        state.gLanDelimiter = state.gComDelimiter;
    }
    link = std::make_unique<DeviceLink>(state, messages);
    link->setStatusLogs(&log, nullptr);

    if (!options.host.empty()) {
        auto address = parseLanAddress(options.host);
        if (!address) {
            std::fprintf(stderr, "plnctl: bad address %s\n", options.host.c_str());
            return false;
        }
        // The first exchange connects, as after a dropped link.
        link->socket().setRemote(address->host, address->port);
        state.gLinkMode = 2;
        return true;
    }
    if (options.com)
        state.gComPort = int16_t(*options.com);
    if (!options.device.empty()) {
        std::string device = options.device;
        link->channel().setDeviceResolver([device](int) { return device; });
        if (!options.deviceSettings.empty())
            state.gComSettings = options.deviceSettings;
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
            std::fprintf(stderr, "plnctl: cannot connect to %s\n", host_.c_str());
            return false;
        }
        link->waiter().waitUntil(limit, Pump::NonInput);
    }
    return true;
}
