#pragma once
// The link a plnctl command talks over: the program folder's settings and texts, the link
// named by the options, and message boxes as lines on stderr.

#include "cli_commands.h"
#include "stderr_prompter.h"

#include "app/app_state.h"
#include "app/messages.h"
#include "link/device_link.h"

#include <memory>

// Keeps the last status line: the reason a port did not open.
class LastLineLog : public StatusLog {
public:
    std::string last;
    void appendLine(const std::string& line) override { last = line; }
};

class CliLink {
public:
    CliLink() = default;
    CliLink(const CliLink&) = delete;
    CliLink& operator=(const CliLink&) = delete;

    // Loads the settings and makes the link; false (reason printed) when either fails.
    bool open(const CliOptions& options);

    AppState state;
    StderrPrompter prompter;
    Messenger messages{state, prompter};
    LastLineLog log; // outlives the link, which may log while it closes
    std::unique_ptr<DeviceLink> link;
};
