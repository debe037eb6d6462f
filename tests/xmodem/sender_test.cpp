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

TEST_F(SenderTest, NaksAndSilencesAreRetriedNineTimes)
{
    struct Case { std::string answer; int status; };
    for (const Case& c : {Case{NAK, kXmFailed}, Case{"", kXmTimeout}}) {
        SCOPED_TRACE(c.status);
        port->written.clear();
        startWith("C");
        // Nine failures then ACK: the packet goes through and the counts start again.
        replies.assign(9, c.answer);
        replies.push_back(ACK);
        replies.insert(replies.end(), 9, c.answer);
        replies.push_back(ACK);
        replies.insert(replies.end(), 10, c.answer);  // the EOT: ten failures end it
        EXPECT_EQ(send(fileOf(200)), c.status);
        ASSERT_EQ(port->written.size(), 30u);
        EXPECT_EQ(port->written[0], port->written[9]);
        EXPECT_EQ(port->written[10][1], 2);
        EXPECT_EQ(port->written[29], bytes({kEOT}));  // the EOT is resent too
    }
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
