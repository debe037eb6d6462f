#include "link/serial_latency.h"

#if defined(__linux__)
#include <linux/serial.h>
#include <sys/ioctl.h>
#endif

std::optional<bool> SystemSerialLatencyDriver::lowLatency(int fd)
{
#if defined(__linux__)
    serial_struct s{};
    if (fd >= 0 && ::ioctl(fd, TIOCGSERIAL, &s) == 0)
        return (s.flags & ASYNC_LOW_LATENCY) != 0;
#else
    (void)fd;
#endif
    return std::nullopt;
}

bool SystemSerialLatencyDriver::setLowLatency(int fd, bool on)
{
#if defined(__linux__)
    serial_struct s{};
    if (fd < 0 || ::ioctl(fd, TIOCGSERIAL, &s) != 0)
        return false;
    if (on)
        s.flags |= ASYNC_LOW_LATENCY;
    else
        s.flags &= ~ASYNC_LOW_LATENCY;
    return ::ioctl(fd, TIOCSSERIAL, &s) == 0;
#else
    (void)fd;
    (void)on;
    return false;
#endif
}

LowLatencyScope::LowLatencyScope(SerialLatencyDriver& driver, int fd) : driver_(driver), fd_(fd)
{
    // A refusal (ENOTTY on a pseudo-terminal, EINVAL or EPERM elsewhere) leaves the line as
    // it is: the transfer works, only slower on an adapter with a latency timer.
    std::optional<bool> before = driver_.lowLatency(fd_);
    if (before && !*before)
        engaged_ = driver_.setLowLatency(fd_, true);
}

LowLatencyScope::~LowLatencyScope()
{
    if (engaged_)
        driver_.setLowLatency(fd_, false);
}
