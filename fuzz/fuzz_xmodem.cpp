// The XMODEM receiver and sender against a peer that says anything, through the real serial
// and TCP transports over in-memory ports and the fake clock. Whatever the peer does, the
// transfer ends within a bound of simulated time, stores whole 128-byte blocks only (at most
// 64 MiB), returns one of the transfer statuses, and writes only well-formed bytes: control
// bytes from the receiver, whole packets in order from the sender.
//
// Input: one byte of set-up, then chunks of [delay][length][bytes]. The first chunk arrives
// at once; each later one follows one of our writes after delay x 100 ms.
#include "fake_link.h"

#include "app/app_state.h"
#include "app/prompter.h"
#include "link/link_error.h"
#include "link/socket_layer.h"
#include "xmodem/serial_transport.h"
#include "xmodem/socket_transport.h"
#include "xmodem/xm_limits.h"
#include "xmodem/xm_protocol.h"
#include "xmodem/xm_receiver.h"
#include "xmodem/xm_sender.h"

#include <cstdint>
#include <cstdlib>
#include <deque>
#include <string>
#include <vector>

namespace {

class NoPrompter : public Prompter {
public:
    int show(const BoxRequest&) override { return 1; }
};

class CheckingSink : public XmBlockSink {
public:
    int64_t stored = 0;
    bool write(const uint8_t*, std::size_t size) override
    {
        if (size != kXmBlockSize)
            std::abort();
        stored += int64_t(size);
        if (stored > int64_t(kXmMaxFileBytes))
            std::abort();
        return true;
    }
};

struct Chunk {
    int64_t delayMs;
    std::string bytes;
};

std::deque<Chunk> chunksOf(const uint8_t* data, std::size_t size)
{
    std::deque<Chunk> chunks;
    std::size_t i = 0;
    while (i + 2 <= size) {
        int64_t delay = int64_t(data[i]) * 100;
        std::size_t n = std::min<std::size_t>(data[i + 1], size - i - 2);
        chunks.push_back({delay, std::string(reinterpret_cast<const char*>(data + i + 2), n)});
        i += 2 + n;
    }
    return chunks;
}

// The bytes as the controller's telnet side reads them: 255 255 is one 255, the byte after a
// CR is dropped. A frame of ours is the escaped packet followed by zero filling.
std::string unescapeFrame(const std::string& frame, std::size_t packetSize)
{
    std::string out;
    bool cr = false;
    for (std::size_t i = 0; i < frame.size() && out.size() < packetSize; ++i) {
        uint8_t b = uint8_t(frame[i]);
        if (cr) {
            cr = false;
            if (b != 0)
                std::abort();  // we always put a NUL after a CR
            continue;
        }
        if (b == 255) {
            if (i + 1 >= frame.size() || uint8_t(frame[i + 1]) != 255)
                std::abort();
            ++i;
        }
        if (b == 13)
            cr = true;
        out += char(b);
    }
    if (out.size() != packetSize)
        std::abort();
    return out;
}

// A packet the sender put out: EOT alone, or SOH, the block number, its complement, 128 bytes
// of the file (0xFF after its end) and the right check value. Blocks go in order or again.
class PacketChecker {
public:
    explicit PacketChecker(const std::string& file) : file_(file) {}

    void check(const std::string& packet)
    {
        if (packet.size() == 1) {
            uint8_t b = uint8_t(packet[0]);
            if (b == kEOT) {
                if (sent_ * kXmBlockSize < file_.size())
                    std::abort();  // EOT before the file was through
                return;
            }
            if (b != kCAN)
                std::abort();
            return;
        }
        if (packet.size() != std::size_t(kXmCrcPacketSize) && packet.size() != std::size_t(kXmSumPacketSize))
            std::abort();
        const auto* p = reinterpret_cast<const uint8_t*>(packet.data());
        if (p[0] != kSOH || uint8_t(p[1] ^ 0xFF) != p[2])
            std::abort();
        bool crc = packet.size() == std::size_t(kXmCrcPacketSize);
        if (crc ? fncXmCrc16(kXmBlockSize, p, 3) != (p[131] << 8 | p[132]) : xmChecksum(p + 3, kXmBlockSize) != p[131])
            std::abort();
        std::size_t index;  // which block of the file, counted from 0
        if (p[1] == uint8_t(sent_ + 1))
            index = sent_++;
        else if (sent_ > 0 && p[1] == uint8_t(sent_))
            index = sent_ - 1;  // a resend
        else
            std::abort();
        for (int i = 0; i < kXmBlockSize; ++i) {
            std::size_t at = index * kXmBlockSize + std::size_t(i);
            uint8_t want = at < file_.size() ? uint8_t(file_[at]) : 0xFF;
            if (p[3 + i] != want)
                std::abort();
        }
    }
    std::size_t blocks() const { return sent_; }

private:
    const std::string& file_;
    std::size_t sent_ = 0;
};

bool isStatus(int status)
{
    return status == kXmComplete || status == kXmStopped || status == kXmFailed || status == kXmTimeout
        || status == kXmCancelled || status == kXmErrTooLarge;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    const uint8_t setup = data[0];
    const bool sending = setup & 1;
    const bool lan = setup & 2;
    const int64_t stopAtMs = (setup & 4) ? int64_t(setup >> 3) * 7000 : -1;
    std::deque<Chunk> chunks = chunksOf(data + 1, size - 1);

    FakeWorld world;
    const int64_t start = world.now;
    FakeClock clock(world);
    FakeWaiter waiter(world);
    AppState state;
    state.gLinkMode = lan ? 2 : 1;
    NoPrompter prompter;
    FakeSerialPort port(world);
    FakeTcpSocket socket(world);
    SocketLayer sockets(state, clock, waiter, socket);
    socket.st = kSockConnected;
    SerialConfig config;
    config.device = "/dev/fuzz";
    config.binary = true;
    port.open(config, nullptr);

    auto deliver = [&](const std::string& bytes) {
        if (lan)
            socket.input += bytes;
        else
            port.input += bytes;
    };
    auto nextChunk = [&] {
        if (chunks.empty())
            return;
        Chunk c = chunks.front();
        chunks.pop_front();
        world.after(c.delayMs, [&deliver, c] { deliver(c.bytes); });
    };
    if (!chunks.empty()) {
        Chunk first = chunks.front();
        chunks.pop_front();
        world.after(5, [&deliver, first] { deliver(first.bytes); });
    }
    if (stopAtMs >= 0)
        world.after(stopAtMs, [&state] { state.gStopRequest = -1; });

    const std::string file(std::size_t(data[0]) * 3 + 1, '\x55');
    PacketChecker packets(file);
    int cans = 0;
    auto onOurBytes = [&](const std::string& bytes) {
        if (sending) {
            std::string packet = bytes;
            if (lan && bytes.size() > 1) {
                if (bytes.size() != std::size_t(kSockFrameSize))
                    std::abort();
                // The packet size follows from the start request; both are tried.
                std::string crcPacket = unescapeFrame(bytes, kXmCrcPacketSize);
                packet = uint8_t(crcPacket[0]) == kSOH
                             && fncXmCrc16(kXmBlockSize, reinterpret_cast<const uint8_t*>(crcPacket.data()), 3)
                                    == (uint8_t(crcPacket[131]) << 8 | uint8_t(crcPacket[132]))
                         ? crcPacket
                         : unescapeFrame(bytes, kXmSumPacketSize);
            }
            packets.check(packet);
        } else {
            // The receiver speaks in single control bytes.
            if (bytes.size() != 1)
                std::abort();
            uint8_t b = uint8_t(bytes[0]);
            if (b != kCrcRequest && b != kNAK && b != kACK && b != kCAN)
                std::abort();
        }
        if (bytes == std::string(1, char(kCAN)))
            ++cans;
        nextChunk();
    };
    port.onWrite = onOurBytes;
    socket.onSend = onOurBytes;

    XmSerialTransport serialLink(state, clock, waiter, port, prompter);
    XmSocketTransport socketLink(sockets);
    XmTransport& link = lan ? static_cast<XmTransport&>(socketLink) : serialLink;

    CheckingSink sink;
    int status = kXmNoStatus;
    try {
        if (sending) {
            status = fncXmSend(link, {reinterpret_cast<const uint8_t*>(file.data()), file.size()}, nullptr);
        } else {
            XmReceiveContext context{link, sink, nullptr, "Received", "bytes"};
            status = fncXmReceive(context);
        }
    } catch (const LinkError& e) {
        // Only the socket's own time-out travels as a failure, and only on TCP.
        if (!lan || e.number() != kErrSockTimeout)
            std::abort();
    }
    if (status != kXmNoStatus && !isStatus(status))
        std::abort();
    if (!sending && status == kXmComplete && sink.stored == 0)
        std::abort();  // a transfer without a block is no file
    if (status == kXmStopped && cans < 10)
        std::abort();  // a stop always sends the stop sequence

    // Every block of progress may take the 60 s watch and the stop sequence's second; the
    // start takes at most 130 s (receive) or one 60 s wait (send).
    const int64_t progress = sending ? int64_t(packets.blocks()) : sink.stored / kXmBlockSize;
    const int64_t bound = 140000 + (progress + 1) * (kXmProgressLimitMs + 2000);
    if (world.now - start > bound)
        std::abort();
    return 0;
}
