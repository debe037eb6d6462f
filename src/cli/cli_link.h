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

class CliLink {
public:
    // Loads the settings and makes the link; ok() is false (reason printed) when either failed.
    explicit CliLink(const CliOptions& options);
    bool ok() const { return ok_; }

    AppState state;
    StderrPrompter prompter;
    Messenger messages{state, prompter};
    std::unique_ptr<DeviceLink> link;

private:
    // Keeps the last status line: the reason a port did not open.
    class LastLineLog : public StatusLog {
    public:
        std::string last;
        void appendLine(const std::string& line) override { last = line; }
    };
    bool open(const CliOptions& options);

    LastLineLog log_;
    bool ok_ = false;
};
