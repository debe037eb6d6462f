// Telnet escaping both ways.
// Text path: any text with negotiation (DO/WILL/DONT/WONT, subnegotiation, two-byte commands)
// mixed in and 255 doubled, cut into any pieces, decodes to the text, and the refusals answer
// exactly the DO and WILL requests in order.
// Block path: a block (starting with SOH) escaped by encodeTelnetFrame and received by the
// socket layer's block receive gives the block back byte for byte.
//
// Input: byte 0 and 1 seed the mixing and the cuts; the rest is the text (and the block).
#include "fake_link.h"
#include "app/app_state.h"
#include "link/socket_layer.h"
#include "link/telnet_text.h"

#include <cstdlib>
#include <random>

namespace {

void textRoundTrip(const std::string& text, std::mt19937& random)
{
    std::string wire, answers;
    auto command = [&]() {
        const uint8_t option = uint8_t(random());
        switch (random() % 6) {
        case 0:
            wire += {char(kTelnetIac), char(kTelnetDo), char(option)};
            answers += {char(kTelnetIac), char(kTelnetWont), char(option)};
            break;
        case 1:
            wire += {char(kTelnetIac), char(kTelnetWill), char(option)};
            answers += {char(kTelnetIac), char(kTelnetDont), char(option)};
            break;
        case 2:
            wire += {char(kTelnetIac), char(random() % 2 ? kTelnetDont : kTelnetWont), char(option)};
            break;
        case 3: {
            wire += {char(kTelnetIac), char(kTelnetSb)};
            for (unsigned n = random() % 6; n > 0; --n) {
                const char b = char(random());
                wire += b;
                if (uint8_t(b) == kTelnetIac)
                    wire += b;
            }
            wire += {char(kTelnetIac), char(kTelnetSe)};
            break;
        }
        default:
            wire += {char(kTelnetIac), char(241 + random() % 9)}; // NOP .. GA
        }
    };
    for (char c : text) {
        if (random() % 4 == 0)
            command();
        wire += c;
        if (uint8_t(c) == kTelnetIac)
            wire += c;
    }
    if (random() % 2)
        command();
    TelnetTextFilter filter;
    std::string gotText, gotAnswers;
    for (std::size_t at = 0; at < wire.size();) {
        const std::size_t piece = 1 + random() % 7;
        filter.take(wire.substr(at, piece), gotText, gotAnswers);
        at += piece;
    }
    if (gotText != text || gotAnswers != answers)
        std::abort();
}

void blockRoundTrip(const std::string& bytes)
{
    const long last = long(std::min<std::size_t>(bytes.size(), kSockBlockSize) - 1);
    if (last < 0)
        return;
    std::vector<uint8_t> block(bytes.begin(), bytes.begin() + last + 1);
    // A block starts with SOH; any other first byte (EOT, CAN) is returned on its own.
    block[0] = 0x01;
    std::vector<uint8_t> frame;
    try {
        frame = encodeTelnetFrame(block.data(), last);
    } catch (const std::length_error&) {
        return; // more escapes than the frame holds: refused before anything is sent
    }
    FakeWorld world;
    FakeClock clock(world);
    FakeWaiter waiter(world);
    FakeTcpSocket socket(world);
    socket.st = kSockConnected;
    socket.input.assign(frame.begin(), frame.end());
    AppState state;
    SocketLayer layer(state, clock, waiter, socket);
    const auto got = layer.fncSockReceiveBlock(last);
    if (!got)
        std::abort();
    for (long i = 0; i <= last; ++i)
        if ((*got)[std::size_t(i)] != block[std::size_t(i)])
            std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    std::mt19937 random(uint32_t(data[0]) << 8 | data[1]);
    const std::string text(reinterpret_cast<const char*>(data + 2), size - 2);
    textRoundTrip(text, random);
    blockRoundTrip(text);
    // Anything at all goes through the filter.
    TelnetTextFilter filter;
    std::string out, answers;
    filter.take(text, out, answers);
    if (out.size() > text.size() || answers.size() > text.size() * 3)
        std::abort();
    return 0;
}
