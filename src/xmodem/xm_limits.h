#pragma once
// The bounds that make every transfer end, whatever the controller does.

#include "link/error_numbers.h"  // kXmErrTooLarge: a receive stopped at kXmMaxFileBytes

#include <cstddef>
#include <cstdint>

// Far more than any image or backup the controller holds: a bigger file to send is refused,
// and a receive that reaches it is stopped, so a broken controller cannot fill the disk.
inline constexpr std::size_t kXmMaxFileBytes = std::size_t(64) << 20;
// Once a transfer has started, this long without a block accepted (receive) or acknowledged
// (send) ends it as a time-out with the stop sequence: noise, a trickle or a peer that only
// repeats itself would otherwise keep it going for ever.
inline constexpr int64_t kXmProgressLimitMs = 60000;
