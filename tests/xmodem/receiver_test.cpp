// The receiver against a scripted sender on the serial link, with the fake clock.
#include "xmodem_fixture.h"

#include <gtest/gtest.h>

#include <ostream>

namespace {

const std::string C = "C";
const std::string NAK = bytes({kNAK});
const std::string ACK = bytes({kACK});
const std::string EOT = bytes({kEOT});
const std::string CAN = bytes({kCAN});
const std::string TEN_CAN(10, char(kCAN));

std::string badComplement(int block, const std::string& data)
{
    std::string p = crcPacket(block, data);
    p[2] = char(p[2] ^ 1);
    return p;
}

std::string badCrc(int block, const std::string& data)
{
    std::string p = crcPacket(block, data);
    p[132] = char(p[132] ^ 1);
    return p;
}

struct ReceiveCase {
    const char* name;
    std::vector<std::string> replies;  // the sender's answer to each of our writes
    int status;
    std::string written;               // every byte we sent, in order
    std::string file;
};

// The case's name, not its bytes, in the test listing.
void PrintTo(const ReceiveCase& c, std::ostream* os) { *os << c.name; }

class ReceiverTable : public XmodemSerialFixture, public ::testing::WithParamInterface<ReceiveCase> {};

TEST_P(ReceiverTable, AnswersAndStoresAsTheProtocolSays)
{
    const ReceiveCase& c = GetParam();
    replies.assign(c.replies.begin(), c.replies.end());
    EXPECT_EQ(receive(), c.status);
    EXPECT_EQ(allWritten(), c.written);
    EXPECT_EQ(sink.data, c.file);
}

const std::string A = blockData(1);
const std::string B = blockData(2);

INSTANTIATE_TEST_SUITE_P(Cases, ReceiverTable, ::testing::Values(
    ReceiveCase{"TwoBlocks", {crcPacket(1, A), crcPacket(2, B), EOT, EOT}, kXmComplete,
                C + ACK + ACK + NAK + ACK, A + B},
    // Three silent start requests: NAK asks for checksum packets, into the same file.
    ReceiveCase{"FallBackToChecksum", {"", "", "", sumPacket(1, A), EOT, EOT}, kXmComplete,
                C + C + C + NAK + ACK + NAK + ACK, A},
    ReceiveCase{"UnexpectedStartBytesFallBackToo", {"x", "y", "z", sumPacket(1, A), EOT, EOT}, kXmComplete,
                C + C + C + NAK + ACK + NAK + ACK, A},
    ReceiveCase{"PacketBetweenEotsResets", {crcPacket(1, A), EOT, crcPacket(2, B), EOT, EOT}, kXmComplete,
                C + ACK + NAK + ACK + NAK + ACK, A + B},
    ReceiveCase{"CanBetweenEotsResets", {crcPacket(1, A), EOT, CAN, EOT, EOT}, kXmComplete,
                C + ACK + NAK + NAK + NAK + ACK, A},
    ReceiveCase{"TimeOutBetweenEotsResets", {crcPacket(1, A), EOT, "", EOT, EOT}, kXmComplete,
                C + ACK + NAK + NAK + NAK + ACK, A},
    ReceiveCase{"OneCanIsAnsweredWithNak", {CAN, crcPacket(1, A), EOT, EOT}, kXmComplete,
                C + NAK + ACK + NAK + ACK, A},
    ReceiveCase{"TwoCansCancel", {crcPacket(1, A), CAN, CAN}, kXmCancelled, C + ACK + NAK, A},
    // A sender puts both CAN bytes out at once: the NAK after the first must not flush the second.
    ReceiveCase{"TwoCansBackToBackCancel", {crcPacket(1, A), CAN + CAN}, kXmCancelled, C + ACK + NAK, A},
    ReceiveCase{"RepeatedBlockIsAcknowledgedNotStored", {crcPacket(1, A), crcPacket(1, A), EOT, EOT}, kXmComplete,
                C + ACK + ACK + NAK + ACK, A},
    ReceiveCase{"WrongComplementIsRejected", {badComplement(1, A), crcPacket(1, A), EOT, EOT}, kXmComplete,
                C + NAK + ACK + NAK + ACK, A},
    ReceiveCase{"WrongCrcIsRejected", {badCrc(1, A), crcPacket(1, A), EOT, EOT}, kXmComplete,
                C + NAK + ACK + NAK + ACK, A},
    ReceiveCase{"OutOfSequenceCancels", {crcPacket(1, A), crcPacket(3, B)}, kXmFailed, C + ACK + TEN_CAN, A},
    ReceiveCase{"TenBadBlocksFail", std::vector<std::string>(10, badCrc(1, A)), kXmFailed,
                C + std::string(9, char(kNAK)), ""},
    ReceiveCase{"FiveSilencesAfterTheStartTimeOut", {crcPacket(1, A)}, kXmTimeout,
                C + ACK + std::string(4, char(kNAK)), A},
    ReceiveCase{"ChecksumModeWritesBeforeAck", {"", "", "", sumPacket(1, A), sumPacket(1, A), EOT, EOT},
                kXmComplete, C + C + C + NAK + ACK + ACK + NAK + ACK, A}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(XmodemSerialFixture, SilentSenderFallsBackAfterThirtySecondsAndGivesUpAfterTenMore)
{
    int64_t start = world.now;
    EXPECT_EQ(receive(), kXmTimeout);
    // 3 x 10 s in CRC mode, then 10 x 10 s of checksum requests.
    EXPECT_EQ(world.now - start, 130000);
    EXPECT_EQ(allWritten(), C + C + C + std::string(10, char(kNAK)));
}

TEST_F(XmodemSerialFixture, Block255IsFollowedByBlock0AndARepeatOf255IsNoSequenceError)
{
    std::string expected;
    for (int n = 1; n <= 256; ++n) {
        replies.push_back(crcPacket(n % 256, blockData(n)));
        if (n == 255)
            replies.push_back(crcPacket(255, blockData(255)));  // our ACK was lost
        expected += blockData(n);
    }
    replies.push_back(EOT);
    replies.push_back(EOT);
    EXPECT_EQ(receive(), kXmComplete);
    EXPECT_EQ(sink.data, expected);
}

TEST_F(XmodemSerialFixture, AThousandByteFileArrivesAsEightFullBlocks)
{
    std::string file(1000, 'z');
    std::string padded = file + std::string(24, '\x1a');
    for (int n = 1; n <= 8; ++n)
        replies.push_back(crcPacket(n, padded.substr(size_t(n - 1) * 128, 128)));
    replies.push_back(EOT);
    replies.push_back(EOT);
    EXPECT_EQ(receive(), kXmComplete);
    EXPECT_EQ(sink.data.size(), 1024u);
    EXPECT_EQ(sink.data, padded);
    // The counter shows the next write position, counted from 1.
    EXPECT_EQ(view.readText, "Received 1025 bytes");
    EXPECT_EQ(view.captions.size(), 8u);
}

TEST_F(XmodemSerialFixture, BlockInPiecesIsAssembledAndNothingAfterTheAckIsLost)
{
    // The next block arrives together with the rest of this one: nothing may be flushed.
    std::string p1 = crcPacket(1, A);
    std::string p2 = crcPacket(2, B);
    replies = {p1.substr(0, 40), EOT, EOT};
    world.after(30, [&] { port->input += p1.substr(40) + p2; });
    EXPECT_EQ(receive(), kXmComplete);
    EXPECT_EQ(sink.data, A + B);
}

TEST_F(XmodemSerialFixture, StopDuringAWaitPausesOneSecondThenSendsTenCan)
{
    replies = {crcPacket(1, A)};
    int64_t stopAt = world.now + 3000;
    world.at(stopAt, [this] { state.gStopRequest = -1; });
    EXPECT_EQ(receive(), kXmStopped);
    EXPECT_EQ(allWritten(), C + ACK + TEN_CAN);
    EXPECT_EQ(world.now, stopAt + 1000);
    EXPECT_EQ(sink.data, A);
}

TEST_F(XmodemSerialFixture, RefusedWriteEndsTheReceptionWithABox)
{
    port->refuseWrites = true;
    EXPECT_EQ(receive(), kErrLinkFailure);
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].title, "エラー");
    EXPECT_EQ(prompter.shown[0].style, kStyleCritical);
}

TEST(XmodemCrc, CheckValueAndChecksum)
{
    const std::string nine = "123456789";
    EXPECT_EQ(fncXmCrc16(9, reinterpret_cast<const uint8_t*>(nine.data())), 0x31C3);
    const uint8_t data[] = {0xFF, 0x02, 0x10};
    EXPECT_EQ(xmChecksum(data, 3), 0x11);
}

} // namespace
