// Transfers that a hostile or broken peer would keep going for ever end by themselves once
// they have started: 60 s without a block accepted (receive) or acknowledged (send) is a
// time-out with the stop sequence. All on the fake clock.
#include "xmodem_fixture.h"

#include "xmodem/xm_limits.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

namespace {

const std::string ACK = bytes({kACK});
const std::string NAK = bytes({kNAK});
const std::string EOT = bytes({kEOT});
const std::string TEN_CAN(10, char(kCAN));

// The stop sequence's one-second pause follows the 60 s, and one exchange may end in between.
constexpr int64_t kBoundMs = kXmProgressLimitMs + 2000;

std::string badCrc(int block, const std::string& data)
{
    std::string p = crcPacket(block, data);
    p[132] = char(p[132] ^ 1);
    return p;
}

class EndlessTest : public XmodemSerialFixture {
protected:
    // bytes(n) arrives every periodMs, for ever.
    void every(int64_t periodMs, std::function<std::string(long)> source)
    {
        auto& tick = *sources_.emplace_back(std::make_unique<std::function<void()>>());
        // The events call the one stored source, so its count goes on from event to event.
        tick = [this, periodMs, source, &tick, n = 0L]() mutable {
            port->input += source(n++);
            world.after(periodMs, [&tick] { tick(); });
        };
        world.after(periodMs, [&tick] { tick(); });
    }

    // The transfer ended as a time-out, with the stop sequence last, within the bound after
    // startedAt.
    void expectTimedOutWithStop(int status, int64_t startedAt)
    {
        EXPECT_EQ(status, kXmTimeout);
        std::string all = allWritten();
        ASSERT_GE(all.size(), TEN_CAN.size());
        EXPECT_EQ(all.substr(all.size() - TEN_CAN.size()), TEN_CAN);
        EXPECT_GE(world.now - startedAt, kXmProgressLimitMs);
        EXPECT_LE(world.now - startedAt, kBoundMs);
    }

private:
    std::vector<std::unique_ptr<std::function<void()>>> sources_;
};

TEST_F(EndlessTest, ReceiveEndsWhenNoBlockIsAcceptedForAMinute)
{
    struct Case {
        const char* name;
        std::function<void()> peer;  // what the sender does after block 1
    };
    const Case cases[] = {
        {"noise between packets", [this] { every(100, [](long) { return std::string("x"); }); }},
        // Block 2 begins, then its bytes come one a second: the packet never completes in
        // time, and what follows the NAK is only the rest of it.
        {"one byte a second",
         [this] {
             const std::string start = bytes({kSOH, 2, 253});
             every(1000, [start](long n) { return n < 3 ? std::string(1, start[size_t(n)]) : std::string("a"); });
         }},
        // Each repeat is acknowledged and resets the error count, so ten bad blocks never add up.
        {"bad block alternating with a repeat",
         [this] {
             for (int i = 0; i < 20000; ++i)
                 replies.push_back(i % 2 ? crcPacket(1, blockData(1)) : badCrc(2, blockData(2)));
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        port->written.clear();
        port->input.clear();
        world.events.clear();
        sink.data.clear();
        replies = {crcPacket(1, blockData(1))};
        int64_t blockAt = world.now + 10;  // the block arrives 10 ms after our "C"
        bool peerStarted = false;
        auto fixtureWrite = port->onWrite;
        port->onWrite = [&](const std::string& w) {
            fixtureWrite(w);
            if (!peerStarted && w == ACK) {
                peerStarted = true;
                c.peer();
            }
        };
        expectTimedOutWithStop(receive(), blockAt);
        EXPECT_EQ(sink.data, blockData(1));
        port->onWrite = fixtureWrite;
    }
}

TEST_F(EndlessTest, SendEndsWhenNoPacketIsAcknowledgedForAMinute)
{
    struct Case {
        const char* name;
        std::function<void()> peer;  // what the receiver does after its first ACK
    };
    const Case cases[] = {
        {"a receiver answering noise", [this] { every(50, [](long) { return std::string("?"); }); }},
        // Nine seconds apart, ten NAKs would take 90 s: a NAK is no progress.
        {"a receiver that only NAKs, slowly",
         [this] { every(9000, [](long) { return NAK; }); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        port->written.clear();
        port->input.clear();
        world.events.clear();
        replies = {ACK};  // the first packet goes through, then the peer takes over
        defaultReply.clear();
        bool peerStarted = false;
        auto fixtureWrite = port->onWrite;
        int64_t ackedAt = 0;
        port->onWrite = [&](const std::string& w) {
            fixtureWrite(w);
            if (!peerStarted && port->written.size() == 2) {  // the second packet went out
                peerStarted = true;
                ackedAt = world.now;
                c.peer();
            }
        };
        world.after(5, [this] { port->input += "C"; });
        int status = send(std::string(1000, 's'));
        expectTimedOutWithStop(status, ackedAt);
        port->onWrite = fixtureWrite;
    }
}

TEST_F(EndlessTest, NoiseBeforeTheStartKeepsTheDescribedRulesAndStillEnds)
{
    // In CRC mode three noise bytes make the fall-back; in checksum mode noise is ignored, so
    // without a bound it would go on for ever. It ends when a silent sender would have.
    every(100, [](long) { return std::string("n"); });
    int64_t start = world.now;
    EXPECT_EQ(receive(), kXmTimeout);
    EXPECT_EQ(world.now - start, 130000);
    EXPECT_EQ(allWritten().substr(0, 4), "CCC" + NAK);
    EXPECT_EQ(allWritten().find(char(kCAN)), std::string::npos);  // not started: no stop sequence
}

TEST_F(EndlessTest, AnEmptyTransferIsAFailure)
{
    // READY, then EOT EOT: the sender's end is acknowledged, but no file came.
    replies = {EOT, EOT};
    EXPECT_EQ(receive(), kXmFailed);
    EXPECT_EQ(allWritten(), "C" + NAK + ACK);
    EXPECT_EQ(sink.data, "");
}

} // namespace
