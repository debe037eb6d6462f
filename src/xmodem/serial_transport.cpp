#include "xmodem/serial_transport.h"

#include "app/app_state.h"
#include "xmodem/xm_protocol.h"

void xmPauseOneSecond(Clock& clock, Waiter& waiter)
{
    int64_t end = clock.nowMs() + 1000;
    while (clock.nowMs() < end)
        waiter.waitUntil(end, Pump::All);
}

int XmSerialTransport::fncXmWaitBytes(int n, int64_t timeoutMs)
{
    int64_t start = clock_.nowMs();
    int64_t deadline = start + timeoutMs;
    // Window events run before every look, so a Stop click that is pending is seen first.
    waiter_.waitUntil(start, Pump::All);
    for (;;) {
        if (state_.gStopRequest)
            return kXmStopped;
        if (port_.bytesAvailable() >= n)
            return n;
        // A port that went away (adapter pulled out) never brings anything.
        if (clock_.nowMs() - start >= timeoutMs || !port_.isOpen() || port_.deviceLost())
            return kXmTimeout;
        waiter_.waitUntil(deadline, Pump::All);
    }
}

int XmSerialTransport::fncXmReadByte(int64_t timeoutMs)
{
    int r = fncXmWaitBytes(1, timeoutMs);
    if (r != 1)
        return r;
    std::string b = port_.read(1);
    return b.empty() ? kXmTimeout : static_cast<unsigned char>(b[0]);
}

int XmSerialTransport::receiveFirst(int, int64_t timeoutMs)
{
    return fncXmReadByte(timeoutMs);
}

int XmSerialTransport::receiveRest(uint8_t* out, int n, int64_t timeoutMs)
{
    int r = fncXmWaitBytes(n, timeoutMs);
    if (r != n)
        return r;
    std::string bytes = port_.read(n);
    if (int(bytes.size()) != n)
        return kXmTimeout;
    for (int i = 0; i < n; ++i)
        out[i] = static_cast<uint8_t>(bytes[size_t(i)]);
    return n;
}

int XmSerialTransport::fncXmWrite(const uint8_t* bytes, int size, bool clearFirst)
{
    if (clearFirst)
        port_.clearInput();
    if (!port_.write(std::string(reinterpret_cast<const char*>(bytes), size_t(size))))
        return writeFailure();
    return 0;
}

int XmSerialTransport::writeFailure()
{
    // A device that is gone, or a port that did not reopen in binary mode, ends the link once
    // the transfer is over: that message names the device instead of the bare system text.
    if (port_.deviceLost() || (state_.gLinkMode == kLinkSerial && !port_.isOpen()))
        return int(kErrLinkFailure);
    BoxRequest box;
    box.text = port_.lastError();
    if (box.text.empty())
        box.text = port_.isOpen() ? "The serial port refused the data." : "The serial port is not open.";
    box.style = kStyleOK + kStyleCritical;
    box.title = "エラー";
    prompter_.show(box);
    return int(kErrLinkFailure);
}

int XmSerialTransport::fncXmCancel()
{
    xmPauseOneSecond(clock_, waiter_);
    for (int i = 0; i < 10; ++i)
        if (int r = fncXmWriteByte(kCAN, true))
            return r;
    return 0;
}
