#pragma once
// The serial driver's low-latency flag. A USB serial adapter holds short reads back for its
// latency timer (16 ms on FTDI adapters), which every XMODEM block and ACK would wait out; with
// the flag the driver hands bytes on at once. Pseudo-terminals and many drivers do not know the
// request, which is no failure.

#include <optional>

// The two requests on an open line, behind a seam so that a test sees them.
class SerialLatencyDriver {
public:
    virtual ~SerialLatencyDriver() = default;
    // The flag as the driver has it, or nullopt when the driver refuses the request.
    virtual std::optional<bool> lowLatency(int fd) = 0;
    // False when the driver refuses.
    virtual bool setLowLatency(int fd, bool on) = 0;
};

// TIOCGSERIAL / TIOCSSERIAL with ASYNC_LOW_LATENCY (Linux); elsewhere every request is refused.
class SystemSerialLatencyDriver : public SerialLatencyDriver {
public:
    std::optional<bool> lowLatency(int fd) override;
    bool setLowLatency(int fd, bool on) override;
};

// Low latency for as long as the scope lives; the driver's own setting comes back at its end.
// Nothing is asked back when the flag was set already or the driver refused it.
class LowLatencyScope {
public:
    LowLatencyScope(SerialLatencyDriver& driver, int fd);
    ~LowLatencyScope();
    LowLatencyScope(const LowLatencyScope&) = delete;
    LowLatencyScope& operator=(const LowLatencyScope&) = delete;
    // True while this scope has the flag set.
    bool engaged() const { return engaged_; }

private:
    SerialLatencyDriver& driver_;
    int fd_;
    bool engaged_ = false;
};
