#include "cli/cli_link.h"

#include "cli/cli_texts.h"

#include "app/settings.h"
#include "link/command_channel.h"
#include "link/framing.h"
#include "link/lan_address.h"

#include <cstdio>

void CliLink::fail(const std::string& line)
{
    openFailure = line;
    std::fprintf(stderr, "plnctl: %s\n", line.c_str());
}

bool CliLink::open()
{
    const int lang = options_.language;
    state.programFolder = options_.programFolder;
    state.textFolder = options_.textFolder;
    // The language is the user's (the locale or --language), never Setting.ini's.
    state.gLanguage = options_.language;
    if (!fncLoadComSettings(state, messages)) {
        openFailure = prompter.lastText;
        return false;
    }
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
            fail(cliFormat(lang, "bad address %s", options_.host.c_str()));
            return false;
        }
        link->socket().setRemote(address->host, address->port);
        link->session().setMode(kLinkLan);
        // Connect now rather than in the first exchange: a refused port or an unknown host
        // fails at once with the socket's reason instead of after the exchange's 6 seconds.
        return connectNow();
    }
    if (options_.com)
        state.gComPort = int16_t(*options_.com);
    if (options_.device.empty() && link->channel().deviceName(state.gComPort).empty()) {
        fail(cliFormat(lang, "no serial port %d was found; name its device with PLNTOOL_COM%d=PATH or use --device PATH "
                             "(plnctl ports lists the ports)",
                       int(state.gComPort), int(state.gComPort)));
        return false;
    }
    if (!options_.device.empty()) {
        std::string device = options_.device;
        link->channel().setDeviceResolver([device](int) { return device; });
    }
    if (!options_.deviceSettings.empty())
        state.gComSettings = options_.deviceSettings;
    if (!link->session().openSerial()) {
        fail(log.last);
        return false;
    }
    // The "opened" line is no reason: a later failure must not print it as one.
    log.last.clear();
    return true;
}

std::string CliLink::serialName() const
{
    if (!options_.device.empty())
        return options_.device;
    return "COM" + std::to_string(state.gComPort) + " = " + link->channel().deviceName(state.gComPort);
}

void CliLink::reportFailedExchange() const
{
    if (!link || state.gLinkMode != kLinkSerial) {
        if (log.last.rfind("COM", 0) == 0)
            std::fprintf(stderr, "plnctl: %s\n", log.last.c_str());
        return;
    }
    // A device that went away says so with the system's reason; a silent one is named, so a
    // PC that talks to the wrong port says which one it used.
    if (log.last.rfind("COM", 0) == 0)
        std::fprintf(stderr, "plnctl: %s\n", log.last.c_str());
    else if (prompter.lastNumber == kMsgNoReply)
        cliSay(options_.language, "no valid reply on %s (%s)", serialName().c_str(), state.gComSettings.c_str());
}

bool CliLink::connectNow()
{
    const int lang = options_.language;
    TcpSocket& socket = link->socket();
    if (state.gLinkMode != kLinkLan || socket.state() == kSockConnected)
        return true;
    switch (link->session().reconnectLan(link->clock().nowMs() + kLanReconnectMs, true)) {
    case LanWait::Connected:
        return true;
    case LanWait::TimedOut:
    case LanWait::Interrupted:
        fail(cliFormat(lang, "no answer from %s within %lld seconds", options_.host.c_str(),
                       static_cast<long long>(kLanReconnectMs / 1000)));
        return false;
    case LanWait::Refused:
        break;
    }
    std::string reason = socket.errorReason();
    fail(cliFormat(lang, "cannot connect to %s: %s", options_.host.c_str(),
                   reason.empty() ? cliText(lang, "the connection was closed") : reason.c_str()));
    return false;
}
