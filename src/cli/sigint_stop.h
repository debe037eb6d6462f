#pragma once
// Ctrl-C as the Stop button: while an instance lives, SIGINT sets gStopRequest (through a
// pipe that the event loop watches, so the waits of the link see it within their pass)
// instead of ending the process. The previous handler comes back on destruction.

#include "app/app_state.h"

#include <memory>

#include <signal.h>

class QSocketNotifier;

class SigintStop {
public:
    explicit SigintStop(AppState& state);
    ~SigintStop();
    SigintStop(const SigintStop&) = delete;
    SigintStop& operator=(const SigintStop&) = delete;

    // True once Ctrl-C was pressed.
    bool requested() const { return requested_; }

private:
    AppState& state_;
    bool requested_ = false;
    int pipe_[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> notifier_;
    struct sigaction previous_ {};
    bool installed_ = false;
};
