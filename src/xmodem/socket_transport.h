#pragma once
// The XMODEM transport on the TCP socket: packets go out telnet-escaped in 289-byte frames
// and come in through the block receive, which undoes the escaping. The socket time-out
// (LinkError 40006) passes through to the caller.

#include "xmodem/xm_transport.h"

#include "link/socket_layer.h"

#include <string>

class XmSocketTransport : public XmTransport {
public:
    explicit XmSocketTransport(SocketLayer& sockets) : sockets_(sockets) {}

    int receiveFirst(int packetSize, int64_t timeoutMs) override;
    int receiveRest(uint8_t* out, int n, int64_t timeoutMs) override;
    int receiveAnswer(int64_t timeoutMs) override;
    int sendControl(uint8_t b, bool keepInput = false) override;
    // As on the serial line, bytes that came before the start request are stray (the rest of
    // an earlier reply, line noise): read first, they would pass for the sender's first
    // packet bytes and push the receiver into the checksum fall-back.
    int sendStartRequest(uint8_t b) override;
    int sendPacket(const uint8_t* packet, int size) override;
    void clearInput() override {}
    int fncXmCancel() override;
    int64_t nowMs() override { return sockets_.clock().nowMs(); }

    // The text the last stop sequence read after its CAN bytes (the controller's closing
    // line may be in it).
    const std::string& cancelText() const { return cancelText_; }

private:
    SocketLayer& sockets_;
    SockBlock block_{};
    int next_ = 1;
    std::string cancelText_;
};
