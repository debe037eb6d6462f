#pragma once
// The real millisecond counter: monotonic, unaffected by changes of the wall clock.

#include "link/clock.h"

#include <chrono>

class SteadyClock : public Clock {
public:
    int64_t nowMs() override
    {
        using namespace std::chrono;
        return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    }
};
