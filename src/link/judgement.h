#pragma once
// The judgement of the latest measurement, as the controller's judgement query answers it.

#include <string>

// The "Label" text that names the judgement: "-2" → 1 (failed), "-1" → 2 (NG), "0" → 3 (OK);
// 0 for any other reply, which is no judgement and shows nothing.
inline long judgementLabel(const std::string& reply)
{
    return reply == "-2" ? 1 : reply == "-1" ? 2 : reply == "0" ? 3 : 0;
}
