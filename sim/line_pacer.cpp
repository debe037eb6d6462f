#include "line_pacer.h"

#include <algorithm>

namespace {
constexpr int64_t kBitTimesPerByteUs = 10'000'000; // 10 bits a byte: microseconds x baud
constexpr int64_t kSliceMs = 10;
} // namespace

int64_t LinePacer::deliveredUs(int64_t k) const
{
    // Rounded up: a byte never arrives before the line could have carried it.
    return sinceUs_ + (k * kBitTimesPerByteUs + baud_ - 1) / baud_;
}

std::size_t LinePacer::slice() const
{
    return std::size_t(std::max<int64_t>(1, baud_ * kSliceMs / 10 / 1000));
}

std::size_t LinePacer::allowed(int64_t nowUs, std::size_t pending)
{
    if (pending == 0)
        return 0;
    if (idle(nowUs)) {
        sinceUs_ = nowUs;
        sent_ = 0;
    }
    // New bytes for a line that is still busy follow the last ones without a gap.
    running_ = true;
    int64_t carried = (nowUs - sinceUs_) * baud_ / kBitTimesPerByteUs;
    return std::size_t(std::clamp<int64_t>(carried - sent_, 0, int64_t(pending)));
}

int64_t LinePacer::dueUs(std::size_t pending) const
{
    if (pending == 0)
        return -1;
    if (!running_)
        return 0;
    return deliveredUs(sent_ + int64_t(std::min(pending, slice())));
}
