#pragma once
// The XMODEM transport on the serial port in binary mode. Waits block on input or the
// deadline through the Waiter with every window event running, and look at gStopRequest
// on every pass.

#include "xmodem/xm_protocol.h"
#include "xmodem/xm_transport.h"

#include "app/link_settings.h"
#include "app/prompter.h"
#include "link/clock.h"
#include "link/serial_port.h"

#include <string>

struct AppState;

class XmSerialTransport : public XmTransport {
public:
    XmSerialTransport(AppState& state, Clock& clock, Waiter& waiter, SerialPort& port, Prompter& prompter)
        : state_(state), clock_(clock), waiter_(waiter), port_(port), prompter_(prompter) {}

    // The next byte 0..255, or kXmStopped / kXmTimeout.
    int fncXmReadByte(int64_t timeoutMs);
    // n once at least n bytes are waiting (the caller then reads exactly n), or kXmStopped / kXmTimeout.
    int fncXmWaitBytes(int n, int64_t timeoutMs);
    // Writes the bytes, the input cleared first when clearFirst; 0 or the failure number
    // after a box with the port's reason.
    int fncXmWrite(const uint8_t* bytes, int size, bool clearFirst = true);
    int fncXmWriteByte(uint8_t b, bool clearFirst = true) { return fncXmWrite(&b, 1, clearFirst); }

    int receiveFirst(int packetSize, int64_t timeoutMs) override;
    int receiveRest(uint8_t* out, int n, int64_t timeoutMs) override;
    int receiveAnswer(int64_t timeoutMs) override { return fncXmReadByte(timeoutMs); }
    // NAK and C clear the input first (the rest of a rejected packet goes); an ACK, and an
    // answer sent with keepInput, do not: whatever came in by then is the sender's next byte.
    int sendControl(uint8_t b, bool keepInput = false) override
    {
        return fncXmWriteByte(b, !keepInput && b != kACK);
    }
    int sendPacket(const uint8_t* packet, int size) override { return fncXmWrite(packet, size, true); }
    void clearInput() override { port_.clearInput(); }
    int fncXmCancel() override;
    int64_t nowMs() override { return clock_.nowMs(); }

private:
    int writeFailure();

    AppState& state_;
    Clock& clock_;
    Waiter& waiter_;
    SerialPort& port_;
    Prompter& prompter_;
};

// The one-second pause of the stop sequence; window events run during it.
void xmPauseOneSecond(Clock& clock, Waiter& waiter);
