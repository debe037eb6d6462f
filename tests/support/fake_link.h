#pragma once
// In-memory stand-ins for the clock, the waiter, the serial port and the socket. The clock
// jumps straight to the next scheduled event or to the deadline, so a 10-second time-out
// takes no time. Peers are scripted as callbacks that see what was sent and schedule replies.

#include "link/clock.h"
#include "link/link_error.h"
#include "link/serial_port.h"
#include "link/status_log.h"
#include "link/tcp_socket.h"

#include <algorithm>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

class FakeWorld {
public:
    int64_t now = 1'000'000;
    std::multimap<int64_t, std::function<void()>> events;
    std::vector<Pump> pumps;  // the pump mode of every wait, in order
    long waits = 0;

    void at(int64_t when, std::function<void()> action) { events.emplace(when, std::move(action)); }
    void after(int64_t ms, std::function<void()> action) { at(now + ms, std::move(action)); }

    // Runs the first event due by the deadline, else moves the clock to the deadline.
    void advance(int64_t deadline, Pump pump)
    {
        ++waits;
        pumps.push_back(pump);
        auto it = events.begin();
        if (it != events.end() && it->first <= std::max(deadline, now)) {
            now = std::max(now, it->first);
            auto action = std::move(it->second);
            events.erase(it);
            action();
            return;
        }
        now = std::max(now, deadline);
    }
};

class FakeClock : public Clock {
public:
    explicit FakeClock(FakeWorld& w) : w_(w) {}
    int64_t nowMs() override { return w_.now; }
    // The fake day starts at 10:42:00 when the world does.
    std::string timeOfDay() override { return formatTimeOfDay((10 * 3600 + 42 * 60) * 1000 + w_.now - 1'000'000); }

private:
    FakeWorld& w_;
};

class FakeWaiter : public Waiter {
public:
    explicit FakeWaiter(FakeWorld& w) : w_(w) {}
    void waitUntil(int64_t deadline, Pump pump) override { w_.advance(deadline, pump); }

private:
    FakeWorld& w_;
};

class FakeSerialPort : public SerialPort {
public:
    explicit FakeSerialPort(FakeWorld& w) : w_(w) {}
    FakeWorld& world() { return w_; }

    std::string input;                 // bytes waiting to be read
    std::vector<std::string> written;  // every write
    std::function<void(const std::string&)> onWrite;
    std::string refuseWith;            // non-empty: open fails with this reason
    bool lost = false;
    bool refuseWrites = false;         // open, but every write fails
    PortRefusal refusal = PortRefusal::Other;  // what a refused open was
    int opens = 0;

    bool isOpen() const override { return open_; }
    bool open(const SerialConfig& c, std::string* reason) override
    {
        ++opens;
        config_ = c;
        if (!refuseWith.empty()) {
            if (reason)
                *reason = refuseWith;
            return false;
        }
        open_ = true;
        lost = false;
        input.clear();
        return true;
    }
    void close() override { open_ = false; lost = false; }
    const SerialConfig& config() const override { return config_; }
    bool write(const std::string& bytes) override
    {
        if (!open_ || lost || refuseWrites)
            return false;
        written.push_back(bytes);
        if (onWrite)
            onWrite(bytes);
        return true;
    }
    std::string readAll() override { return std::exchange(input, {}); }
    std::string read(int64_t maxBytes) override
    {
        std::string part = input.substr(0, size_t(std::max<int64_t>(0, maxBytes)));
        input.erase(0, part.size());
        return part;
    }
    int64_t bytesAvailable() override { return int64_t(input.size()); }
    void clearInput() override { input.clear(); }
    void waitForInput(int ms) override { w_.advance(w_.now + ms, Pump::None); }
    bool deviceLost() const override { return lost; }
    std::string lastError() const override { return lost || refuseWrites ? "Input/output error" : ""; }
    PortRefusal lastRefusal() const override { return refusal; }

private:
    FakeWorld& w_;
    SerialConfig config_;
    bool open_ = false;
};

class FakeTcpSocket : public TcpSocket {
public:
    explicit FakeTcpSocket(FakeWorld& w) : w_(w) {}

    int st = kSockClosed;
    std::string input;
    std::vector<std::string> sent;
    std::function<void(const std::string&)> onSend;
    int64_t connectDelayMs = 0;   // -1: a connect never completes
    std::string refuseWith;       // non-empty: the connect fails after connectDelayMs with this reason
    std::string reason;
    int connects = 0;

    int state() const override { return st; }
    void setRemote(const std::string& host, uint16_t port) override { host_ = host; port_ = port; }
    std::string remoteHost() const override { return host_; }
    uint16_t remotePort() const override { return port_; }
    void connectToRemote() override
    {
        ++connects;
        st = kSockConnecting;
        reason.clear();
        if (connectDelayMs >= 0) {
            int generation = ++generation_;
            w_.after(connectDelayMs, [this, generation] {
                if (generation != generation_ || st != kSockConnecting)
                    return;
                st = refuseWith.empty() ? kSockConnected : kSockError;
                reason = refuseWith;
            });
        }
    }
    void close() override
    {
        ++generation_;
        st = kSockClosed;
        input.clear();
        reason.clear();
    }
    int64_t bytesAvailable() override { return int64_t(input.size()); }
    void send(const std::string& bytes) override
    {
        if (st != kSockConnected)
            throw LinkError(kErrLinkFailure, "not connected", "Winsock1");
        sent.push_back(bytes);
        if (onSend)
            onSend(bytes);
    }
    std::string readAll() override { return std::exchange(input, {}); }
    int readByte() override
    {
        if (input.empty())
            return -1;
        int b = static_cast<unsigned char>(input.front());
        input.erase(0, 1);
        return b;
    }
    std::string errorReason() const override { return reason; }
    // The peer drops the connection.
    void drop() { ++generation_; st = kSockClosing; input.clear(); }

private:
    FakeWorld& w_;
    std::string host_;
    uint16_t port_ = 0;
    int generation_ = 0;
};

class RecordingStatusLog : public StatusLog {
public:
    std::vector<std::string> lines;
    int connectEnabled = 0;
    void appendLine(const std::string& line) override { lines.push_back(line); }
    void enableConnect() override { ++connectEnabled; }
};
