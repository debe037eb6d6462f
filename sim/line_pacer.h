#pragma once
// The timing of a serial line at a given rate for the simulator's paced pseudo-terminal: each
// byte takes 10 bit times, and the k-th byte of a run is on the other side k * 10 / baud
// seconds after the run began, to the microsecond. A run begins with the first byte written
// to an idle line, so a pause saves up no burst. Bytes go out in slices of about 10 ms so the
// simulator wakes a hundred times a second at most, and the last slice of a run is due at the
// exact moment the line would deliver its last byte.

#include <cstddef>
#include <cstdint>

class LinePacer {
public:
    explicit LinePacer(int baud) : baud_(baud > 0 ? baud : 0) {}

    bool active() const { return baud_ > 0; }
    // How many of `pending` bytes may be written at nowUs (0 while their time has not come).
    std::size_t allowed(int64_t nowUs, std::size_t pending);
    // n of the allowed bytes were written; `left` bytes still wait.
    void sent(std::size_t n, std::size_t left)
    {
        sent_ += int64_t(n);
        running_ = left > 0;
    }
    // When the next slice of `pending` bytes may go; 0 (at once) on an idle line, where
    // allowed() begins the run.
    int64_t dueUs(std::size_t pending) const;
    // The line starts afresh (a new terminal): nothing is on it.
    void reset() { *this = LinePacer(int(baud_)); }

private:
    // When the line has delivered the first k bytes of the run.
    int64_t deliveredUs(int64_t k) const;
    // No run is waiting to be written and the line has delivered all of the last one.
    bool idle(int64_t nowUs) const { return !running_ && nowUs >= deliveredUs(sent_); }
    std::size_t slice() const;

    int64_t baud_;
    int64_t sinceUs_ = 0;
    int64_t sent_ = 0;      // bytes of the current run written so far
    bool running_ = false;  // the run has bytes that are not written yet
};
