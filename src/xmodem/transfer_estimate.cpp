#include "xmodem/transfer_estimate.h"

#include <algorithm>
#include <cstdio>

TransferFigures TransferFigures::compute(int64_t bytes, int64_t total, int64_t moved, double rateSeconds,
                                         double elapsedSeconds)
{
    TransferFigures f;
    f.bytes = bytes;
    f.total = std::max<int64_t>(total, 0);
    f.elapsedSeconds = std::max(elapsedSeconds, 0.0);
    if (rateSeconds >= 0.5 && moved > 0)
        f.bytesPerSecond = double(moved) / rateSeconds;
    if (f.total > 0) {
        f.fraction = std::clamp(double(bytes) / double(f.total), 0.0, 1.0);
        if (bytes < f.total && f.bytesPerSecond > 0)
            f.secondsLeft = double(f.total - bytes) / f.bytesPerSecond;
    }
    return f;
}

TransferEstimate::TransferEstimate(Clock& clock, int64_t total)
    : clock_(clock), total_(total), startMs_(clock.nowMs())
{
}

void TransferEstimate::update(int64_t bytes)
{
    if (!started_) {
        started_ = true;
        rateStartMs_ = clock_.nowMs();
        rateStartBytes_ = bytes;
    }
    bytes_ = bytes;
}

TransferFigures TransferEstimate::figures() const
{
    const int64_t now = clock_.nowMs();
    const double rateSeconds = started_ ? double(now - rateStartMs_) / 1000.0 : 0.0;
    return TransferFigures::compute(bytes_, total_, bytes_ - rateStartBytes_, rateSeconds,
                                    double(now - startMs_) / 1000.0);
}

TransferFigures TransferEstimate::finish(bool complete)
{
    if (complete)
        total_ = bytes_;
    TransferFigures f = figures();
    f.finished = true;
    return f;
}

std::string minutesSeconds(double seconds)
{
    const long s = long(std::max(seconds, 0.0) + 0.5);
    char text[32];
    std::snprintf(text, sizeof text, "%ld:%02ld", s / 60, s % 60);
    return text;
}

std::string kilobytesPerSecond(double bytesPerSecond)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f KB/s", bytesPerSecond / 1024.0);
    return text;
}
