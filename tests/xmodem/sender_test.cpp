// The sender against a scripted receiver on the serial link, with the fake clock.
#include "xmodem_fixture.h"

#include <gtest/gtest.h>

namespace {

const std::string NAK = bytes({kNAK});
const std::string ACK = bytes({kACK});
const std::string CAN = bytes({kCAN});

std::string fileOf(size_t n)
{
    std::string f(n, '\0');
    for (size_t i = 0; i < n; ++i)
        f[i] = char((i * 31 + i / 256) & 0xFF);
    return f;
}

class SenderTest : public XmodemSerialFixture {
protected:
    SenderTest() { defaultReply = ACK; }
    void startWith(const std::string& request) { world.after(5, [this, request] { port->input += request; }); }
};

TEST_F(SenderTest, PacketsFollowTheReceiversStartRequest)
{
    struct Case { std::string request; size_t size; size_t packets; };
    for (const Case& c : {Case{"C", 256, 2}, Case{NAK, 256, 2}, Case{"C", 1000, 8}, Case{NAK, 1, 1}}) {
        SCOPED_TRACE(c.size);
        port->written.clear();
        const std::string file = fileOf(c.size);
        startWith(c.request);
        ASSERT_EQ(send(file), kXmComplete);
        ASSERT_EQ(port->written.size(), c.packets + 1);
        EXPECT_EQ(port->written.back(), bytes({kEOT}));
        std::string padded = file + std::string(c.packets * 128 - c.size, '\xff');
        for (size_t n = 0; n < c.packets; ++n) {
            std::string data = padded.substr(n * 128, 128);
            const std::string expected = c.request == "C" ? crcPacket(int(n + 1), data) : sumPacket(int(n + 1), data);
            EXPECT_EQ(port->written[n], expected) << n;  // CRC high byte first
        }
    }
}

TEST_F(SenderTest, BlockNumbersWrapFrom255To0)
{
    startWith("C");
    ASSERT_EQ(send(fileOf(257 * 128)), kXmComplete);
    ASSERT_EQ(port->written.size(), 258u);
    EXPECT_EQ(uint8_t(port->written[254][1]), 255);
    EXPECT_EQ(uint8_t(port->written[255][1]), 0);
    EXPECT_EQ(uint8_t(port->written[255][2]), 255);
    EXPECT_EQ(uint8_t(port->written[256][1]), 1);
}

TEST_F(SenderTest, ProgressMovesPerNewPacketUpToTheFileLength)
{
    startWith("C");
    replies = {NAK, ACK, ACK, ACK};  // the resend of packet 1 does not count
    ASSERT_EQ(send(fileOf(300)), kXmComplete);
    EXPECT_EQ(view.values, (std::vector<int64_t>{128, 256, 300}));
}

TEST_F(SenderTest, NaksAreRetriedNineTimes)
{
    startWith("C");
    // Nine NAKs then ACK: the packet goes through and the counts start again.
    replies.assign(9, NAK);
    replies.push_back(ACK);
    replies.insert(replies.end(), 9, NAK);
    replies.push_back(ACK);
    replies.insert(replies.end(), 10, NAK);  // the EOT: ten NAKs end it
    EXPECT_EQ(send(fileOf(200)), kXmFailed);
    ASSERT_EQ(port->written.size(), 30u);
    EXPECT_EQ(port->written[0], port->written[9]);
    EXPECT_EQ(port->written[10][1], 2);
    EXPECT_EQ(port->written[29], bytes({kEOT}));  // the EOT is resent too
}

// Silences are retried too, but 60 s without an ACK end the transfer before ten of them do.
TEST_F(SenderTest, SilencesAreRetriedUntilAMinuteWithoutAnAck)
{
    startWith("C");
    replies.assign(5, "");
    replies.push_back(ACK);  // the fifth resend, 50 s on, is acknowledged
    replies.insert(replies.end(), 10, "");
    int64_t start = world.now;
    EXPECT_EQ(send(fileOf(200)), kXmTimeout);
    ASSERT_EQ(port->written.size(), 6u + 6u + 10u);  // packet 1 six times, packet 2 six times, ten CAN
    EXPECT_EQ(port->written[0], port->written[5]);
    EXPECT_EQ(port->written[6][1], 2);
    EXPECT_EQ(port->written[12], bytes({kCAN}));
    // 50 s for packet 1; packet 2 unanswered for 60 s; the stop sequence's pause.
    EXPECT_EQ(world.now - start, 5 + 50000 + 10 + 60000 + 1000);
}

TEST_F(SenderTest, NoStartRequestWithinAMinuteTimesOut)
{
    int64_t start = world.now;
    EXPECT_EQ(send(fileOf(10)), kXmTimeout);
    EXPECT_EQ(world.now - start, 60000);
    EXPECT_TRUE(port->written.empty());
}

TEST_F(SenderTest, TwoCansCancelAndOneIsForgottenAfterAnAck)
{
    startWith("C");
    replies = {CAN + ACK, CAN + CAN};
    EXPECT_EQ(send(fileOf(300)), kXmCancelled);
    EXPECT_EQ(port->written.size(), 2u);
}

TEST_F(SenderTest, StopWhileWaitingForAnAnswer)
{
    startWith("C");
    replies = {""};
    int64_t stopAt = world.now + 2500;
    world.at(stopAt, [this] { state.gStopRequest = -1; });
    EXPECT_EQ(send(fileOf(300)), kXmStopped);
    ASSERT_EQ(port->written.size(), 11u);
    for (size_t i = 1; i < 11; ++i)
        EXPECT_EQ(port->written[i], CAN);
    EXPECT_EQ(world.now, stopAt + 1000);
}

} // namespace
