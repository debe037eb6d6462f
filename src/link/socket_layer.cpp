#include "link/socket_layer.h"

#include "app/app_state.h"
#include "link/link_error.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace {

// How long the 800 polls of the byte and block receive wait for a first byte. 800 polls of
// one counter tick are 0.8 s here, far less than a controller may need before its first
// packet or an ACK; the polls last longer with a coarser counter, up to the block's 10000 ms
// cap, and so they wait that long. A silent link thus ends a block receive with 4098.
int64_t pollsWaitMs(int64_t step)
{
    return std::max<int64_t>(kSockPolls * step, kSockBlockLimitMs);
}

} // namespace

std::string sockStateText(int state)
{
    static const char* const names[] = {
        "Closed", "Open", "Listening", "Connection Pending", "Resolving Host",
        "Host Resolved", "Connecting", "Connected", "Closing", "Error",
    };
    std::string text = "Connection Status: ";
    if (state < 0 || state > 9)
        return text + "ERROR:\r\n UNKNOWN CONNECTION STATE";
    return text + names[state];
}

std::vector<uint8_t> encodeTelnetFrame(const uint8_t* data, long last)
{
    std::vector<uint8_t> frame;
    frame.reserve(kSockFrameSize);
    for (long j = 0; j <= last; ++j) {
        uint8_t b = data[j];
        frame.push_back(b);
        // The controller's telnet side takes 255 as the start of a command and swallows the
        // byte after a CR, so both are sent as pairs.
        if (b == 255)
            frame.push_back(255);
        else if (b == 13)
            frame.push_back(0);
    }
    if (frame.size() > size_t(kSockFrameSize))
        throw std::length_error("escaped block longer than the 289-byte frame");
    frame.resize(kSockFrameSize, 0);
    return frame;
}

SocketLayer::SocketLayer(AppState& state, Clock& clock, Waiter& waiter, TcpSocket& socket)
    : state_(state), clock_(clock), waiter_(waiter), socket_(socket)
{
}

void SocketLayer::setStatusLogs(StatusLog* mainWindow, StatusLog* lanSettings)
{
    mainLog_ = mainWindow;
    lanSetLog_ = lanSettings;
}

void SocketLayer::fncWaitMs(int64_t ms)
{
    int64_t start = clock_.nowMs();
    while (clock_.nowMs() - start <= ms)
        waiter_.waitUntil(start + ms + 1, Pump::None);
}

void SocketLayer::yield(Pump pump)
{
    waiter_.waitUntil(clock_.nowMs(), pump);
}

int32_t SocketLayer::sockTimeout()
{
    if (state_.gSockTimeout == 0)
        state_.gSockTimeout = 1000;
    return state_.gSockTimeout;
}

int64_t SocketLayer::pollStepMs(int divisor)
{
    // Rounded half to even like every fraction here, and at least one counter tick: a poll
    // of 0 ms would let 800 polls pass without the clock moving.
    return std::max<int64_t>(1, int64_t(std::nearbyint(double(sockTimeout()) / divisor)));
}

void SocketLayer::raiseTimeout()
{
    throw LinkError(kErrSockTimeout,
                    "Timeout occured. Timeout = " + std::to_string(state_.gSockTimeout) + "msec",
                    "Winsock1");
}

std::string SocketLayer::fncSockSendText(const std::string& text)
{
    socket_.send(text);
    return {};
}

void SocketLayer::fncSockSendByte(uint8_t b)
{
    socket_.send(std::string(1, char(b)));
}

void SocketLayer::fncSockSendBytes(const uint8_t* data, long last)
{
    std::vector<uint8_t> frame = encodeTelnetFrame(data, last);
    socket_.send(std::string(frame.begin(), frame.end()));
}

std::string SocketLayer::fncSockReceiveText(Pump pump)
{
    int64_t step = pollStepMs(50);
    if (socket_.state() != kSockConnected)
        return {};
    int64_t base = socket_.bytesAvailable();
    yield(pump);
    // 50 polls of timeout / 50 ms each, as one wait that ends early when new bytes come.
    int64_t deadline = clock_.nowMs() + 50 * step;
    while (socket_.bytesAvailable() <= base && clock_.nowMs() < deadline
           && socket_.state() == kSockConnected)
        waiter_.waitUntil(deadline, pump);
    return socket_.readAll();
}

std::optional<int> SocketLayer::fncSockReceiveByte()
{
    int64_t step = pollStepMs(10000);
    if (socket_.state() != kSockConnected)
        return std::nullopt;
    yield();
    int64_t deadline = clock_.nowMs() + pollsWaitMs(step);
    for (;;) {
        if (socket_.bytesAvailable() > 0)
            return socket_.readByte();
        if (state_.gStopRequest)
            return kXmStopped;
        if (clock_.nowMs() >= deadline)
            raiseTimeout();
        waiter_.waitUntil(deadline, Pump::All);
    }
}

std::optional<SockBlock> SocketLayer::fncSockReceiveBlock(long last)
{
    int64_t start = clock_.nowMs();
    int64_t step = pollStepMs(10000);
    SockBlock block;
    block.fill(-1);
    auto endWith = [&block](int code) {
        block[0] = code;
        return block;
    };
    last = std::clamp<long>(last, 0, kSockBlockSize - 1);
    int64_t limit = start + kSockBlockLimitMs;

    if (socket_.state() != kSockConnected) {
        for (;;) {
            if (socket_.state() == kSockConnected)
                return std::nullopt;
            int s = socket_.state();
            if (s == kSockClosed || s == kSockClosing || s == kSockError)
                socket_.connectToRemote();
            if (state_.gStopRequest)
                return endWith(kXmStopped);
            if (clock_.nowMs() >= limit)
                return endWith(kXmTimeout);
            waiter_.waitUntil(std::min(limit, clock_.nowMs() + 50), Pump::All);
        }
    }

    yield();
    int64_t pollsEnd = clock_.nowMs() + pollsWaitMs(step);
    while (socket_.bytesAvailable() == 0) {
        if (state_.gStopRequest)
            return endWith(kXmStopped);
        if (clock_.nowMs() >= limit)
            return endWith(kXmTimeout);
        if (clock_.nowMs() >= pollsEnd)
            raiseTimeout();
        waiter_.waitUntil(std::min(pollsEnd, limit), Pump::All);
    }

    // Unescape while filling: of two 255 bytes one is kept, and the byte after a CR (the
    // telnet NUL or LF) is dropped. A packet that arrives in pieces is waited for, within the
    // block's 10000 ms, so no byte of it is lost.
    long b = 0;
    bool ff = false;
    bool cr = false;
    while (b <= last) {
        int x = socket_.readByte();
        if (x < 0) {
            if (state_.gStopRequest)
                return endWith(kXmStopped);
            if (clock_.nowMs() >= limit || socket_.state() != kSockConnected)
                return endWith(kXmTimeout);
            waiter_.waitUntil(limit, Pump::All);
            continue;
        }
        if (x == 255) {
            if (ff) {
                ff = false;
            } else {
                block[size_t(b++)] = 255;
                ff = true;
            }
        } else if (x == 13) {
            cr = true;
            block[size_t(b++)] = 13;
        } else if (cr) {
            cr = false;
        } else {
            block[size_t(b++)] = x;
        }
        // Only a data packet (SOH, 0x01) has more bytes; EOT, CAN and the like stand alone,
        // and waiting for more would swallow the next control byte or run into the limit.
        if (b == 1 && block[0] != 1)
            return block;
    }
    return block;
}

void SocketLayer::fncLanDisconnect()
{
    socket_.close();
    socket_.setRemote(socket_.remoteHost(), 0);
    yield();
    fncWaitMs(500);
    yield();
    std::string line = fncSockStateText();
    for (StatusLog* log : {mainLog_, lanSetLog_}) {
        if (log) {
            log->appendLine(line);
            log->enableConnect();
        }
    }
}
