#pragma once
// Ctrl-C, SIGTERM and SIGHUP as the Stop button: while an instance lives, each of them sets
// gStopRequest (through a pipe that the event loop watches, so the waits of a transfer see it
// within their pass, and that the command channel looks at while it waits for a reply)
// instead of ending the process. The transfer sends the stop sequence, the previous file
// stays, temporary files go, and plnctl exits with 128 + the signal number. The previous
// handlers come back on destruction.

#include "app/app_state.h"

#include <memory>

#include <signal.h>

class CommandChannel;
class QSocketNotifier;

class SigintStop {
public:
    // With a channel, its reply waits end at once on a signal (the command counts as
    // unanswered, nothing shown).
    explicit SigintStop(AppState& state, CommandChannel* channel = nullptr);
    ~SigintStop();
    SigintStop(const SigintStop&) = delete;
    SigintStop& operator=(const SigintStop&) = delete;

    // True once one of the signals arrived (looks at the pipe, so it is true at once).
    bool requested() const;
    // The last signal that arrived, 0 for none.
    int signalNumber() const;
    // 128 + the signal number (130 for Ctrl-C), or `otherwise` when no signal came.
    int exitStatus(int otherwise) const;

private:
    // Takes what the handler wrote; true when a signal has arrived.
    bool take() const;

    AppState& state_;
    CommandChannel* channel_;
    mutable int signal_ = 0;
    int pipe_[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> notifier_;
    static constexpr int kSignals[3] = {SIGINT, SIGTERM, SIGHUP};
    struct sigaction previous_[3] {};
    bool installed_[3] = {false, false, false};
};
