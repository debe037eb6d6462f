#pragma once
// Processor time, user and system together, for tests that prove a wait sleeps.

#include <sys/resource.h>

inline double processorSeconds(const rusage& u)
{
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// This process so far.
inline double processorSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return processorSeconds(u);
}
