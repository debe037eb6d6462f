// plnctl ports [--probe [N...]]: the serial ports with the COM numbers that --com takes, and
// where a controller answers. The probe asks each free port, at each speed of the serial
// settings dialog, for the first header value of its image format, which changes nothing on
// the controller and is answered with a number from 0 to 255.
#include "cli/cli_commands.h"
#include "cli/cli_texts.h"
#include "cli/json_report.h"
#include "cli/serial_ports.h"
#include "cli/stderr_prompter.h"

#include "app/app_state.h"
#include "app/messages.h"
#include "app/settings.h"
#include "link/controller_commands.h"
#include "link/qt_serial_port.h"
#include "link/serial_port.h"
#include "link/steady_clock.h"

#include <QJsonArray>

#include <algorithm>
#include <charconv>
#include <cstdio>

namespace {

// The speeds of the serial settings dialog.
constexpr int kSpeeds[] = {9600, 19200, 38400, 57600, 115200};
// A controller answers the question within a few milliseconds; this is ample at 9600 bit/s.
constexpr int64_t kProbeReplyMs = 500;

bool isControllerAnswer(const std::string& reply)
{
    unsigned value = 0;
    auto [end, ec] = std::from_chars(reply.data(), reply.data() + reply.size(), value);
    return !reply.empty() && ec == std::errc() && end == reply.data() + reply.size() && value <= 255;
}

// One question at one configuration; the reply line or "".
std::string ask(QtSerialPort& port, const SerialConfig& config, const std::string& terminator)
{
    std::string reason;
    if (!port.open(config, &reason))
        return {};
    port.write(ControllerCommands::imageInfoLine(0) + terminator);
    SteadyClock clock;
    const int64_t limit = clock.nowMs() + kProbeReplyMs;
    std::string got;
    while (clock.nowMs() < limit && got.size() < 256) {
        port.waitForInput(int(limit - clock.nowMs()));
        got += port.readAll();
        const auto end = got.find_first_of("\r\n");
        if (end != std::string::npos) {
            port.close();
            return got.substr(0, end);
        }
        if (port.deviceLost())
            break;
    }
    port.close();
    return {};
}

std::string settingsText(const SerialConfig& c)
{
    char stop[8];
    std::snprintf(stop, sizeof stop, c.stopBits == 1.5 ? "%.1f" : "%.0f", c.stopBits);
    return std::to_string(c.baud) + "," + c.parity + "," + std::to_string(c.dataBits) + "," + stop;
}

} // namespace

int runPortsCommand(const CliOptions& options, const std::vector<std::string>& args)
{
    const int lang = options.language;
    std::vector<int> chosen;
    for (const std::string& a : args) {
        auto n = integerArgument(a, 1, 16);
        if (!n || !options.probe)
            return usageError(options, cliText(lang, "ports takes --probe and the port numbers (1-16) to ask"));
        chosen.push_back(int(*n));
    }
    JsonReport report(options, options.probe ? "ports --probe" : "ports");
    const std::vector<PortEntry> ports = listSerialPorts();
    QJsonArray list;
    for (const PortEntry& p : ports) {
        QJsonObject o{{QStringLiteral("com"), p.com},
                      {QStringLiteral("device"), QString::fromStdString(p.device)},
                      {QStringLiteral("byId"), QString::fromStdString(p.byId)},
                      {QStringLiteral("state"), QString::fromLatin1(useWord(p.use))}};
        if (!p.reason.empty())
            o.insert(QStringLiteral("reason"), QString::fromStdString(p.reason));
        list.append(o);
    }
    report.set("ports", list);

    if (!options.probe) {
        if (!options.json) {
            if (ports.empty())
                cliSay(lang, "%s", cliText(lang, "no serial port was found; name one with PLNTOOL_COM<n>=PATH"));
            for (const PortEntry& p : ports) {
                std::string use = cliText(lang, useWord(p.use));
                if (!p.reason.empty())
                    use += " (" + p.reason + ")";
                std::printf("COM%-3d %-22s %-40s %s\n", p.com, p.device.c_str(), p.byId.empty() ? "-" : p.byId.c_str(),
                            use.c_str());
            }
            std::fflush(stdout);
        }
        return report.ok();
    }

    // The line settings other than the speed, and the terminator, are Setting.ini's.
    AppState state;
    StderrPrompter prompter;
    Messenger messages{state, prompter};
    state.programFolder = options.programFolder;
    state.textFolder = options.textFolder;
    state.gLanguage = lang;
    if (!fncLoadComSettings(state, messages))
        return report.failedAfterRun(prompter, prompter.lastText);
    SerialConfig base = parseComSettings(state.gComSettings).value_or(SerialConfig{});
    const std::string terminator = state.gComDelimiter.empty() ? "\r" : state.gComDelimiter;
    std::vector<int> speeds{base.baud};
    for (int s : kSpeeds)
        if (s != base.baud)
            speeds.push_back(s);

    QJsonArray found;
    QtSerialPort port;
    for (const PortEntry& p : ports) {
        if (!chosen.empty() && std::find(chosen.begin(), chosen.end(), p.com) == chosen.end())
            continue;
        if (p.use != PortEntry::Use::Free)
            continue;
        for (int speed : speeds) {
            SerialConfig config = base;
            config.device = p.device;
            config.baud = speed;
            const std::string reply = ask(port, config, terminator);
            if (!isControllerAnswer(reply))
                continue;
            const std::string settings = settingsText(config);
            found.append(QJsonObject{{QStringLiteral("com"), p.com},
                                     {QStringLiteral("device"), QString::fromStdString(p.device)},
                                     {QStringLiteral("settings"), QString::fromStdString(settings)},
                                     {QStringLiteral("reply"), QString::fromStdString(reply)}});
            cliSay(lang, "a controller answers on COM%d = %s at %s", p.com, p.device.c_str(), settings.c_str());
            if (!options.json)
                std::printf("--com %d --settings %s\n", p.com, settings.c_str());
            std::fflush(stdout);
            break;
        }
    }
    report.set("found", found);
    if (found.isEmpty()) {
        const std::string line = cliText(lang, "no controller answered on any free port");
        cliSay(lang, "%s", line.c_str());
        return report.failed(line);
    }
    return report.ok();
}
