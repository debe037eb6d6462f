// The simulator's XMODEM sender and receiver, driven byte by byte as the tool would drive them.
#include "telnet_codec.h"
#include "xmodem_packet.h"
#include "xmodem_peer.h"

#include <gtest/gtest.h>

namespace {

const std::string kAck(1, xm::kAck);
const std::string kNak(1, xm::kNak);
const std::string kCan2(2, xm::kCan);
const std::string kEot(1, xm::kEot);

std::string bytesOf(size_t n)
{
    std::string s;
    for (size_t i = 0; i < n; ++i)
        s += char((i * 7 + 3) & 0xFF);
    return s;
}

// Answers every packet of a sender with ACK (or NAK for the first EOT) and collects the data.
struct Collected {
    std::string data;
    int packets = 0;
    int eots = 0;
    bool crcValid = true;
};

Collected drain(XmodemSender& s, bool crc, int64_t& now)
{
    Collected c;
    for (int guard = 0; guard < 10000 && s.state() == XmodemState::Running; ++guard) {
        std::string out = s.takeOutput();
        if (out.empty()) {
            now = s.deadline();
            s.tick(now);
            continue;
        }
        if (out == kEot) {
            // Like the tool's receiver: the first EOT is NAKed.
            s.receive(++c.eots == 1 ? kNak : kAck, now);
            continue;
        }
        EXPECT_EQ(out.size(), xm::packetSize(crc));
        c.crcValid = c.crcValid && xm::packetHeaderValid(out) && xm::packetCheckValid(out, crc);
        EXPECT_EQ(uint8_t(out[1]), uint8_t(c.packets + 1)) << "block number";
        ++c.packets;
        c.data += out.substr(3, 128);
        s.receive(kAck, now);
    }
    return c;
}

std::string frame(const std::string& packet)
{
    // The tool's TCP frame after unstuffing: the packet, then zeros up to 289 bytes.
    return packet + std::string(289 - packet.size(), '\0');
}

} // namespace

TEST(SimXmodemSender, ModeFollowsTheStartRequestAndTheLastBlockIsPaddedWithFF)
{
    struct Case { char start; bool crc; size_t size; int packets; };
    const Case cases[] = {
        {'C', true, 1000, 8}, {xm::kNak, false, 1000, 8}, {'C', true, 256, 2}, {'C', true, 0, 0},
    };
    for (const Case& k : cases) {
        int64_t now = 0;
        XmodemSender s(bytesOf(k.size), {}, now);
        EXPECT_EQ(s.takeOutput(), "");
        s.receive("xyz", now); // noise before the start request is skipped
        s.receive(std::string(1, k.start), now);
        Collected c = drain(s, k.crc, now);
        EXPECT_EQ(s.state(), XmodemState::Done) << k.size;
        EXPECT_EQ(c.packets, k.packets);
        EXPECT_TRUE(c.crcValid);
        EXPECT_EQ(c.eots, 2); // resent after the NAK
        std::string expected = bytesOf(k.size);
        expected.resize((k.size + 127) / 128 * 128, char(0xFF));
        EXPECT_EQ(c.data, expected);
    }
}

TEST(SimXmodemSender, BlockNumbersWrapAfter255)
{
    int64_t now = 0;
    XmodemSender s(bytesOf(257 * 128), {}, now);
    s.receive("C", now);
    std::string last;
    for (int i = 0; i < 257; ++i) {
        last = s.takeOutput();
        s.receive(kAck, now);
        if (i == 255)
            EXPECT_EQ(uint8_t(last[1]), 0);
    }
    EXPECT_EQ(uint8_t(last[1]), 1);
    EXPECT_EQ(s.takeOutput(), kEot);
}

TEST(SimXmodemSender, ResendsOnNakAndTimeOutAndGivesUpAfterTenErrors)
{
    int64_t now = 0;
    XmodemSender s(bytesOf(300), {}, now);
    s.receive("C", now);
    std::string first = s.takeOutput();
    s.receive(kNak, now);
    EXPECT_EQ(s.takeOutput(), first);
    now = s.deadline();
    EXPECT_EQ(now, XmodemSender::kAnswerWaitMs);
    s.tick(now);
    EXPECT_EQ(s.takeOutput(), first);
    for (int i = 2; i < 9; ++i)
        s.receive(kNak, now);
    EXPECT_EQ(s.state(), XmodemState::Running);
    s.takeOutput();
    s.receive(kNak, now);
    EXPECT_EQ(s.state(), XmodemState::Failed);
    EXPECT_EQ(s.takeOutput(), kCan2);

    // Two CAN from the tool end it at once; no start request within 60 s ends it too.
    XmodemSender cancelled(bytesOf(300), {}, 0);
    cancelled.receive("C", 0);
    cancelled.receive(kCan2, 0);
    EXPECT_EQ(cancelled.state(), XmodemState::Failed);
    XmodemSender unstarted(bytesOf(300), {}, 0);
    EXPECT_EQ(unstarted.deadline(), XmodemSender::kStartWaitMs);
    unstarted.tick(unstarted.deadline());
    EXPECT_EQ(unstarted.state(), XmodemState::Failed);
}

TEST(SimXmodemSender, FaultOptions)
{
    int64_t now = 0;
    {
        XmodemFaults f;
        f.corruptBlock = 2;
        XmodemSender s(bytesOf(400), f, now);
        s.receive("C", now);
        EXPECT_TRUE(xm::packetCheckValid(s.takeOutput(), true));
        s.receive(kAck, now);
        std::string bad = s.takeOutput();
        EXPECT_TRUE(xm::packetHeaderValid(bad));
        EXPECT_FALSE(xm::packetCheckValid(bad, true));
        s.receive(kNak, now);
        std::string good = s.takeOutput();
        EXPECT_TRUE(xm::packetCheckValid(good, true)); // only once
        EXPECT_EQ(good.substr(0, 131), bad.substr(0, 131));
    }
    {
        XmodemFaults f;
        f.nakCount = 2; // the first two ACKs count as NAK: block 1 goes three times
        XmodemSender s(bytesOf(200), f, now);
        s.receive(kNak, now);
        std::string p = s.takeOutput();
        EXPECT_EQ(p.size(), 132u);
        s.receive(kAck, now);
        EXPECT_EQ(s.takeOutput(), p);
        s.receive(kAck, now);
        EXPECT_EQ(s.takeOutput(), p);
        s.receive(kAck, now);
        EXPECT_EQ(uint8_t(s.takeOutput()[1]), 2);
    }
    {
        XmodemFaults f;
        f.cancelAfter = 1;
        XmodemSender s(bytesOf(400), f, now);
        s.receive("C", now);
        s.takeOutput();
        s.receive(kAck, now);
        EXPECT_EQ(s.takeOutput(), kCan2);
        EXPECT_EQ(s.state(), XmodemState::Failed);
    }
    {
        XmodemFaults f;
        f.stallAfter = 1;
        XmodemSender s(bytesOf(400), f, now);
        s.receive("C", now);
        s.takeOutput();
        s.receive(kAck, now);
        s.receive(kNak, now);
        s.tick(now + 5000);
        EXPECT_EQ(s.takeOutput(), "");
        EXPECT_EQ(s.state(), XmodemState::Running);
        s.receive(kCan2, now);
        EXPECT_EQ(s.state(), XmodemState::Abandoned);
        XmodemSender quiet(bytesOf(400), f, now);
        quiet.receive("C", now);
        quiet.receive(kAck, now);
        EXPECT_EQ(quiet.deadline(), now + XmodemPeer::kStallQuietMs);
        quiet.tick(quiet.deadline());
        EXPECT_EQ(quiet.state(), XmodemState::Abandoned);
    }
    {
        XmodemFaults f;
        f.checksumOnly = true;
        XmodemSender s(bytesOf(100), f, now);
        s.receive("CCC", now);
        EXPECT_EQ(s.takeOutput(), "");
        s.receive(kNak, now);
        EXPECT_EQ(s.takeOutput().size(), 132u);
    }
}

TEST(SimXmodemReceiver, AsksWithCThenNakAndTakesFramedPackets)
{
    int64_t now = 0;
    XmodemReceiver r({}, now);
    std::string requests;
    for (int i = 0; i < 8; ++i) {
        now = r.deadline();
        r.tick(now);
        requests += r.takeOutput();
    }
    EXPECT_EQ(requests, "CCCCCC" + std::string(2, xm::kNak));
    EXPECT_EQ(XmodemReceiver::kFirstRequestMs + 7 * XmodemReceiver::kRequestEveryMs, now);

    XmodemFaults checksumOnly;
    checksumOnly.checksumOnly = true;
    XmodemReceiver n(checksumOnly, 0);
    n.tick(n.deadline());
    EXPECT_EQ(n.takeOutput(), kNak);
}

TEST(SimXmodemReceiver, AcceptsRepeatsRejectsBadPacketsAndEndsOnEot)
{
    int64_t now = 0;
    XmodemReceiver r({}, now);
    r.tick(r.deadline());
    EXPECT_EQ(r.takeOutput(), "C");
    std::string b1 = xm::packet(1, bytesOf(128), true);
    std::string b2 = xm::packet(2, "tail", true);
    std::string badCrc = b2;
    badCrc[131] = char(badCrc[131] ^ 1);
    std::string badComplement = b2;
    badComplement[2] = 0;
    struct Step { std::string in; std::string answer; };
    const Step steps[] = {
        {frame(b1), kAck}, {frame(b1), kAck}, // a repeat is acknowledged and dropped
        {frame(badCrc), kNak}, {frame(badComplement), kNak}, {std::string(1, xm::kCan), ""},
        {frame(b2), kAck}, {kEot, kAck},
    };
    for (const Step& s : steps) {
        r.receive(s.in, now);
        EXPECT_EQ(r.takeOutput(), s.answer);
    }
    EXPECT_EQ(r.state(), XmodemState::Done);
    std::string expected = bytesOf(128) + "tail" + std::string(124, char(0xFF));
    EXPECT_EQ(r.data(), expected);

    XmodemReceiver skipped({}, 0);
    skipped.receive(frame(xm::packet(2, "x", true)), 0); // block 1 never came
    EXPECT_EQ(skipped.takeOutput(), kCan2);
    EXPECT_EQ(skipped.state(), XmodemState::Failed);

    XmodemReceiver cancelled({}, 0);
    cancelled.receive(kCan2, 0);
    EXPECT_EQ(cancelled.state(), XmodemState::Failed);
}

TEST(SimXmodemReceiver, ChecksumPacketsAfterTheFallBack)
{
    int64_t now = 0;
    XmodemReceiver r({}, now);
    for (int i = 0; i < XmodemReceiver::kCrcRequests + 1; ++i) {
        now = r.deadline();
        r.tick(now);
    }
    EXPECT_EQ(r.takeOutput().back(), xm::kNak);
    r.receive(xm::packet(1, "abc", false), now);
    EXPECT_EQ(r.takeOutput(), kAck);
    EXPECT_EQ(r.data().substr(0, 3), "abc");
}

TEST(SimXmodemReceiver, FaultOptions)
{
    const std::string b1 = frame(xm::packet(1, "one", true));
    const std::string b2 = frame(xm::packet(2, "two", true));
    {
        XmodemFaults f;
        f.nakCount = 2;
        XmodemReceiver r(f, 0);
        std::string answers;
        for (int i = 0; i < 3; ++i) {
            r.receive(b1, 0);
            answers += r.takeOutput();
        }
        EXPECT_EQ(answers, kNak + kNak + kAck);
    }
    {
        XmodemFaults f;
        f.cancelAfter = 1;
        XmodemReceiver r(f, 0);
        r.receive(b1, 0);
        r.receive(b2, 0);
        EXPECT_EQ(r.takeOutput(), kAck + kCan2);
        EXPECT_EQ(r.state(), XmodemState::Failed);
    }
    {
        XmodemFaults f;
        f.stallAfter = 1;
        XmodemReceiver r(f, 0);
        r.receive(b1, 0);
        r.receive(b2, 0);
        r.receive(b2, 5000);
        r.tick(9000);
        EXPECT_EQ(r.takeOutput(), kAck);
        EXPECT_EQ(r.state(), XmodemState::Running);
        EXPECT_EQ(r.deadline(), 5000 + XmodemPeer::kStallQuietMs);
        r.tick(r.deadline());
        EXPECT_EQ(r.state(), XmodemState::Abandoned);
    }
    {
        // Ten bad packets in a row: the receiver gives up and cancels.
        XmodemReceiver r({}, 0);
        std::string bad = xm::packet(1, "x", true);
        bad[131] = char(bad[131] ^ 1);
        for (int i = 0; i < XmodemPeer::kMaxErrors; ++i)
            r.receive(bad, 0);
        EXPECT_EQ(r.takeOutput(), std::string(9, xm::kNak) + kCan2);
        EXPECT_EQ(r.state(), XmodemState::Failed);
    }
}

TEST(SimTelnet, StuffingSurvivesAnySplitOfTheStream)
{
    const std::string data = std::string("a\xff\rb\r\n\xff\xff\r", 10) + std::string(1, '\0');
    const std::string stuffed = telnetEscape(data);
    EXPECT_EQ(stuffed, std::string("a\xff\xff\r\0b\r\0\n\xff\xff\xff\xff\r\0\0", 17));
    for (size_t cut = 0; cut <= stuffed.size(); ++cut) {
        TelnetUnescaper u;
        std::string back = u.feed(stuffed.substr(0, cut));
        back += u.feed(stuffed.substr(cut));
        EXPECT_EQ(back, data) << cut;
    }
}

TEST(SimXmodemPacket, CrcCheckValue)
{
    EXPECT_EQ(xm::crc16("123456789"), 0x31C3);
}

// A slow controller: the first packet waits for the start delay, every later answer for the
// answer delay; the transfer is over only once the last answer went out.
TEST(SimXmodemPeer, StartAndAnswerDelays)
{
    XmodemFaults f;
    f.startDelayMs = 3000;
    f.ackDelayMs = 1500;
    XmodemSender s(bytesOf(100), f, 0);
    s.receive("C", 0);
    EXPECT_EQ(s.takeOutput(10), "");
    EXPECT_EQ(s.deadline(), 3000);
    EXPECT_EQ(s.takeOutput(3000).size(), 133u);
    s.receive(kAck, 3100);
    EXPECT_EQ(s.takeOutput(3100), "");
    EXPECT_EQ(s.takeOutput(4600), kEot);

    XmodemReceiver r(f, 0);
    EXPECT_EQ(r.deadline(), 3000);  // the first start request
    r.tick(3000);
    EXPECT_EQ(r.takeOutput(3000), "C");
    r.receive(xm::packet(1, "abc", true), 3100);
    EXPECT_EQ(r.takeOutput(3100), "");
    EXPECT_EQ(r.takeOutput(4600), kAck);
    r.receive(kEot, 4700);
    EXPECT_EQ(r.state(), XmodemState::Done);
    EXPECT_TRUE(r.holdsOutput());
    EXPECT_EQ(r.takeOutput(6200), kAck);
    EXPECT_FALSE(r.holdsOutput());
}
