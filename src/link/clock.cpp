#include "link/clock.h"

#include <ctime>

std::string Clock::timeOfDay()
{
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return formatTimeOfDay((int64_t(local.tm_hour) * 3600 + local.tm_min * 60 + local.tm_sec) * 1000);
}

std::string formatTimeOfDay(int64_t msSinceMidnight)
{
    int64_t s = (msSinceMidnight / 1000) % 86400;
    char text[9];
    const auto two = [&text](int at, int64_t v) {
        text[at] = char('0' + v / 10);
        text[at + 1] = char('0' + v % 10);
    };
    two(0, s / 3600);
    text[2] = ':';
    two(3, s / 60 % 60);
    text[5] = ':';
    two(6, s % 60);
    return std::string(text, 8);
}
