#include "xmodem/socket_transport.h"

#include "xmodem/serial_transport.h"
#include "xmodem/xm_protocol.h"

int XmSocketTransport::receiveFirst(int packetSize, int64_t)
{
    next_ = 1;
    block_.fill(-1);
    auto block = sockets_.fncSockReceiveBlock(packetSize - 1);
    if (!block)
        return -1;  // the socket had to be reconnected: nothing was read
    block_ = *block;
    return block_[0];
}

int XmSocketTransport::receiveRest(uint8_t* out, int n, int64_t)
{
    for (int i = 0; i < n; ++i) {
        int v = next_ < kSockBlockSize ? block_[size_t(next_)] : -1;
        out[i] = static_cast<uint8_t>(v < 0 ? 0 : v);
        ++next_;
    }
    return n;
}

int XmSocketTransport::receiveAnswer(int64_t)
{
    auto b = sockets_.fncSockReceiveByte();
    return b ? *b : -1;
}

int XmSocketTransport::sendControl(uint8_t b, bool)
{
    sockets_.fncSockSendByte(b);
    return 0;
}

int XmSocketTransport::sendStartRequest(uint8_t b)
{
    sockets_.socket().readAll();
    return sendControl(b);
}

int XmSocketTransport::sendPacket(const uint8_t* packet, int size)
{
    if (size == 1)
        sockets_.fncSockSendByte(packet[0]);
    else
        sockets_.fncSockSendBytes(packet, size - 1);
    return 0;
}

int XmSocketTransport::fncXmCancel()
{
    xmPauseOneSecond(sockets_.clock(), sockets_.waiter());
    for (int i = 0; i < 10; ++i)
        sockets_.fncSockSendByte(kCAN);
    cancelText_ = sockets_.fncSockReceiveText();
    return 0;
}
