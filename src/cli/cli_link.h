#pragma once
// The link of one plnctl run: the state from the program folder's settings, message boxes on
// stderr and the link the options name (--com, --device or --host).

#include "cli_commands.h"
#include "stderr_prompter.h"

#include "app/app_state.h"
#include "app/messages.h"
#include "link/device_link.h"
#include "link/status_log.h"

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
    // Loads the settings and makes the link; ok() is false (reason printed) when either failed.
    // On TCP the connection is made by the first exchange, or by connectNow().
    explicit CliLink(const CliOptions& options);
    bool ok() const { return ok_; }
    // The outcome of the set-up the constructor made.
    bool open() const { return ok_; }
    // TCP: connects now, waiting up to 6000 ms; false (reason printed) when it does not.
    bool connectNow();

    AppState state;
    StderrPrompter prompter;
    Messenger messages{state, prompter};
    LastLineLog log; // outlives the link, which may log while it closes
    std::unique_ptr<DeviceLink> link;

private:
    bool setUp(const CliOptions& options);

    std::string host_;
    bool ok_ = false;
};
