#pragma once
// What every controller command of plnctl starts from: the program state with its settings,
// message boxes on stderr, and the link that the global options name.

#include "cli/cli_commands.h"
#include "cli/stderr_prompter.h"

#include "app/app_state.h"
#include "app/messages.h"
#include "link/device_link.h"

#include <memory>
#include <string>

// Keeps the last status line: the reason a port did not open.
class LastLineLog : public StatusLog {
public:
    std::string last;
    void appendLine(const std::string& line) override { last = line; }
};

class CliLink {
public:
    explicit CliLink(const CliOptions& options) : options_(options) {}

    // Loads the settings and makes the link (on TCP: connects, see connectNow); false (reason
    // printed) when it cannot be made.
    bool open();
    // TCP: connects now unless connected, waiting up to 6000 ms; false (the socket's reason
    // printed) when it does not.
    bool connectNow();
    // After an exchange that failed: a serial device that went away prints its status line,
    // which names the device and the system's reason ("COM1 /dev/ttyUSB0: ..."), as the
    // windows show it; a serial device that stayed silent is named ("COM1 = /dev/ttyS0").
    // Clear log.last before the exchange.
    void reportFailedExchange() const;
    // "COM1 = /dev/ttyS0", or the --device path.
    std::string serialName() const;

    // Why open() failed, as printed (for a --json report).
    std::string openFailure;

    AppState state;
    StderrPrompter prompter;
    Messenger messages{state, prompter};
    LastLineLog log;
    std::unique_ptr<DeviceLink> link;

private:
    void fail(const std::string& line);

    const CliOptions& options_;
};
