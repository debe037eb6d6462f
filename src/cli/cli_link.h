#pragma once
// What every controller command of plnctl starts from: the program state with its settings,
// message boxes on stderr, and the link that the global options name.

#include "cli_commands.h"
#include "stderr_prompter.h"

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
    // A serial device that went away during a wait: prints its status line, which names the
    // device and the system's reason ("COM1 /dev/ttyUSB0: ..."), as the windows show it.
    // Clear log.last before the exchange.
    void reportLostDevice() const;

    AppState state;
    StderrPrompter prompter;
    Messenger messages{state, prompter};
    LastLineLog log;
    std::unique_ptr<DeviceLink> link;

private:
    const CliOptions& options_;
};
