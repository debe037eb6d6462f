#pragma once
// How far a transfer is and how long it will still take: bytes so far against the size the
// transfer is expected to have (the file to send, or what the receiving operation expects),
// the rate and the time since the transfer began. The window, plnctl's progress line and the
// whole backup's line all take their figures from here.

#include "link/clock.h"

#include <cstdint>
#include <optional>
#include <string>

struct TransferFigures {
    int64_t bytes = 0;
    int64_t total = 0;            // expected size; 0 when nothing is known
    double elapsedSeconds = 0;    // since the transfer began
    double bytesPerSecond = 0;    // 0 until there is enough to measure
    std::optional<double> fraction;     // 0..1, only with a total
    std::optional<double> secondsLeft;  // only with a total not yet reached and a rate
    bool finished = false;        // the transfer has ended; the figures are the last ones

    // From the bytes moved in the seconds the rate counts (less than half a second: no rate).
    // A transfer that runs past its total stays at 1 and has no time left.
    static TransferFigures compute(int64_t bytes, int64_t total, int64_t moved, double rateSeconds,
                                   double elapsedSeconds);
};

class TransferEstimate {
public:
    explicit TransferEstimate(Clock& clock, int64_t total = 0);

    void setTotal(int64_t total) { total_ = total; }
    int64_t total() const { return total_; }
    void update(int64_t bytes);
    TransferFigures figures() const;
    // The transfer ended: a complete one has its size, whatever was expected.
    TransferFigures finish(bool complete);

private:
    Clock& clock_;
    int64_t total_;
    int64_t startMs_;
    int64_t bytes_ = 0;
    // The rate counts from the first block: the wait for the peer to start is no part of it.
    bool started_ = false;
    int64_t rateStartMs_ = 0;
    int64_t rateStartBytes_ = 0;
};

// "1:05" for 65 seconds (rounded, never below 0), as every progress display writes a time.
std::string minutesSeconds(double seconds);
// "3.7 KB/s".
std::string kilobytesPerSecond(double bytesPerSecond);
