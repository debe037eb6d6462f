#include "cli_link.h"

#include "app/settings.h"
#include "link/command_channel.h"
#include "link/framing.h"
#include "link/lan_address.h"

#include <cstdio>

bool CliLink::open()
{
    state.programFolder = options_.programFolder;
    state.textFolder = options_.textFolder;
    // The language is the user's (the locale or --language), never Setting.ini's.
    state.gLanguage = options_.language;
    if (!fncLoadComSettings(state, messages))
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
        // Connect now rather than in the first exchange: a refused port or an unknown host
        // fails at once with the socket's reason instead of after the exchange's 6 seconds.
        return connectNow();
    }
    if (options_.com)
        state.gComPort = int16_t(*options_.com);
    if (options_.device.empty() && link->channel().deviceName(state.gComPort).empty()) {
        std::fprintf(stderr,
                     "plnctl: no serial port %d was found; name its device with PLNTOOL_COM%d=PATH or use --device PATH\n",
                     int(state.gComPort), int(state.gComPort));
        return false;
    }
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

void CliLink::reportLostDevice() const
{
    if (log.last.rfind("COM", 0) == 0)
        std::fprintf(stderr, "plnctl: %s\n", log.last.c_str());
}

bool CliLink::connectNow()
{
    TcpSocket& socket = link->socket();
    if (state.gLinkMode != 2 || socket.state() == kSockConnected)
        return true;
    socket.connectToRemote();
    int64_t limit = link->clock().nowMs() + kLanReconnectMs;
    while (socket.state() != kSockConnected) {
        int s = socket.state();
        if (s == kSockClosed || s == kSockClosing || s == kSockError) {
            std::string reason = socket.errorReason();
            std::fprintf(stderr, "plnctl: cannot connect to %s: %s\n", options_.host.c_str(),
                         reason.empty() ? "the connection was closed" : reason.c_str());
            return false;
        }
        if (link->clock().nowMs() >= limit) {
            std::fprintf(stderr, "plnctl: no answer from %s within %lld seconds\n", options_.host.c_str(),
                         static_cast<long long>(kLanReconnectMs / 1000));
            return false;
        }
        link->waiter().waitUntil(limit, Pump::NonInput);
    }
    return true;
}
