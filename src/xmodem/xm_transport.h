#pragma once
// What the receiver and the sender need from the link: the serial port in binary mode or the
// TCP socket through the socket layer's telnet escaping. Every call returns a byte 0..255 or
// a status (kXmStopped, kXmTimeout); writes return 0 or the failure number of the write.

#include <cstdint>

class XmTransport {
public:
    virtual ~XmTransport() = default;

    // Receiver: the first value of the next packet (packetSize bytes when it is a data
    // packet): a byte, kXmStopped, kXmTimeout, or -1 when the link gave nothing at all.
    virtual int receiveFirst(int packetSize, int64_t timeoutMs) = 0;
    // Receiver: the next n bytes of the packet that receiveFirst began; n, kXmStopped or kXmTimeout.
    virtual int receiveRest(uint8_t* out, int n, int64_t timeoutMs) = 0;
    // Sender: one answer byte, kXmStopped, kXmTimeout (serial only), or -1 for nothing.
    virtual int receiveAnswer(int64_t timeoutMs) = 0;

    // Receiver: a control byte (C, NAK, ACK). On the serial link a NAK or C that rejects a
    // packet or asks for the start clears the input first (the rest of the bad packet goes);
    // keepInput leaves it, for answers after which the sender's next byte may already be
    // waiting: an ACK, and the NAK after a first EOT or CAN (the second EOT or CAN).
    virtual int sendControl(uint8_t b, bool keepInput = false) = 0;
    // Receiver: the start request ("C", or NAK in checksum mode). Whatever is pending before
    // it is stray and goes, on either link.
    virtual int sendStartRequest(uint8_t b) { return sendControl(b); }
    // Sender: a data packet or the single EOT; the serial input is cleared first.
    virtual int sendPacket(const uint8_t* packet, int size) = 0;
    // Discards unread input (serial link only).
    virtual void clearInput() = 0;
    // The stop sequence: one second's pause (the Stop button stays alive), then ten CAN.
    virtual int fncXmCancel() = 0;
    // The millisecond counter the waits run on.
    virtual int64_t nowMs() = 0;
};
