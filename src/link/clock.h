#pragma once
// Time and waiting, injected so that a 10-second time-out costs a test nothing.

#include <cstdint>

// The system millisecond counter.
class Clock {
public:
    virtual ~Clock() = default;
    virtual int64_t nowMs() = 0;
};

// Which window events may run while a wait blocks.
enum class Pump {
    None,      // nothing runs: the window system does not respond
    NonInput,  // timers, sockets and repaints run; clicks and keys wait until the exchange ends
    All,       // every window event runs (the Stop button of the progress window)
};

// Blocks until the deadline (a value of Clock::nowMs) passes or something happens that may
// change what the caller waits for: data arriving, a link changing state, a window event.
// Callers re-check their condition after every return; a return before the deadline is
// not a promise that anything changed.
class Waiter {
public:
    virtual ~Waiter() = default;
    virtual void waitUntil(int64_t deadlineMs, Pump pump) = 0;
    // Ends the wait in progress early (from an event handled inside it); nothing otherwise.
    virtual void wake() {}
};
