#include "link_fixture.h"

#include "link/framing.h"
#include "link/telnet_text.h"

class SerialChannel : public LinkFixture {
protected:
    SerialChannel()
    {
        EXPECT_EQ(link->channel().fncOpenComPort(), 0);
        state.gLinkMode = 1;
        mainLog.lines.clear();
    }
};

TEST_F(SerialChannel, NoLinkShowsMessage21AndSendsNothing)
{
    state.gLinkMode = 0;
    EXPECT_EQ(link->fncSendCommand("CAPTURE"), "");
    EXPECT_EQ(boxes(), std::vector<long>{21});
    EXPECT_TRUE(port->written.empty());
    EXPECT_TRUE(socket->sent.empty());
}

TEST_F(SerialChannel, RepliesPerTerminator)
{
    struct Case { const char* terminator; const char* sent; const char* answer; std::string reply; std::vector<long> boxes; };
    const Case cases[] = {
        {"\r", "CAPTURE\r", "OK\r\n", "OK", {}},
        {"\n", "CAPTURE\n", "OK\r\n", "OK\r", {}},
        {"\r\n", "CAPTURE\r\n", "OK\r\n", "OK", {}},
        {"\r\n", "CAPTURE\r\n", "OK\n", "", {22}},
        {"\r", "CAPTURE\r", "ER\r", "ER", {24}},
        {"\r", "CAPTURE\r", "\r", "", {22}},
        {"\r", "CAPTURE\r", "-1\r0\r", "-1", {}},
    };
    for (const Case& c : cases) {
        prompter.shown.clear();
        port->written.clear();
        state.gComDelimiter = c.terminator;
        std::string answer = c.answer;
        serialPeer([answer](const std::string&) { return answer; });
        EXPECT_EQ(link->fncSendCommand("  CAPTURE "), c.reply) << c.answer;
        EXPECT_EQ(port->written, std::vector<std::string>{c.sent});
        EXPECT_EQ(boxes(), c.boxes) << c.answer;
    }
}

TEST_F(SerialChannel, NoReplyEndsAfter5000msFromTheStart)
{
    int64_t start = world.now;
    EXPECT_EQ(link->fncSendCommand("M"), "");
    EXPECT_EQ(world.now - start, 5000);
    EXPECT_EQ(boxes(), std::vector<long>{22});
    for (Pump p : world.pumps)
        EXPECT_EQ(p, Pump::None); // the serial wait runs no window events
}

TEST_F(SerialChannel, LeftoverBytesAreDroppedBeforeTheNextCommand)
{
    serialPeer([](const std::string&) { return std::string("OK\r\n"); });
    EXPECT_EQ(link->fncSendCommand("CAPTURE"), "OK");
    port->input += "stale\r";
    EXPECT_EQ(link->fncSendCommand("CAPTURE"), "OK");
}

TEST_F(SerialChannel, PulledAdapterEndsTheLinkWithOneMessage)
{
    port->onWrite = [this](const std::string&) { world.after(50, [this] { port->lost = true; }); };
    int64_t start = world.now;
    EXPECT_EQ(link->fncSendCommand("M"), "");
    EXPECT_LT(world.now - start, 5000);
    EXPECT_EQ(state.gLinkMode, 0);
    EXPECT_FALSE(port->isOpen());
    EXPECT_EQ(boxes(), std::vector<long>{22});
    ASSERT_EQ(mainLog.lines.size(), 2u);
    EXPECT_EQ(mainLog.lines[0], "closed");
    EXPECT_EQ(mainLog.lines[1], "COM1 /dev/fake1: Input/output error");
    prompter.shown.clear();
    EXPECT_EQ(link->fncSendCommand("M"), "");
    EXPECT_EQ(boxes(), std::vector<long>{21});
}

TEST_F(SerialChannel, AdapterPulledWhileIdleEndsTheLinkAtTheNextCommand)
{
    port->lost = true;
    EXPECT_EQ(link->fncSendCommand("M"), "");
    EXPECT_TRUE(port->written.empty());
    EXPECT_EQ(state.gLinkMode, 0);
    EXPECT_EQ(boxes(), std::vector<long>{22});
}

TEST_F(SerialChannel, PortClosedUnderTheSerialLinkIsReportedAsNoLink)
{
    port->close();
    EXPECT_EQ(link->fncSendCommand("M"), "");
    EXPECT_EQ(boxes(), std::vector<long>{21});
}

TEST_F(LinkFixture, OpenAndCloseLogTheirLines)
{
    EXPECT_EQ(link->channel().fncOpenComPort(), 0);
    EXPECT_EQ(port->config().device, "/dev/fake1");
    EXPECT_EQ(port->config().baud, 38400);
    link->channel().fncCloseComPort();
    port->refuseWith = "Permission denied";
    EXPECT_EQ(link->channel().fncOpenComPort(), 1);
    EXPECT_EQ(mainLog.lines, (std::vector<std::string>{
        "connected", "closed",
        "COM1 /dev/fake1: Permission denied (the user must be in the dialout group)"}));
    EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(LinkFixture, TheDialoutHintSpeaksJapaneseInJapanese)
{
    state.gLanguage = 0;
    port->refuseWith = "Permission denied";
    EXPECT_EQ(link->channel().fncOpenComPort(), 1);
    EXPECT_EQ(mainLog.lines.back(),
              "COM1 /dev/fake1: Permission denied（このユーザーを dialout グループに加える必要があります）");
}

class LanChannel : public LinkFixture {
protected:
    LanChannel()
    {
        state.gLinkMode = 2;
        socket->setRemote("127.0.0.1", 23);
        socket->st = kSockConnected;
    }
};

TEST_F(LanChannel, ReplyAndPendingDataDiscarded)
{
    socket->input = "junk\r";
    lanPeer([](const std::string& line) { return line == "CAPTURE\r" ? std::string("OK\r") : std::string("ER\r"); });
    EXPECT_EQ(link->fncSendCommand("CAPTURE"), "OK");
    EXPECT_TRUE(prompter.shown.empty());
    for (Pump p : world.pumps)
        EXPECT_EQ(p, Pump::NonInput); // no click can start a second exchange
}

TEST_F(LanChannel, ReplyInTwoPiecesIsJoined)
{
    socket->onSend = [this](const std::string&) {
        world.after(10, [this] { socket->input += "RE"; });
        world.after(1500, [this] { socket->input += "ADY\r"; });
    };
    EXPECT_EQ(link->fncSendCommand("IMGSAVE 0 1"), "READY");
}

TEST_F(LanChannel, NoReplyWithin5000ms)
{
    int64_t start = world.now;
    EXPECT_EQ(link->fncSendCommand("M"), "");
    EXPECT_GE(world.now - start, 5000);
    EXPECT_LT(world.now - start, 6100);
    EXPECT_EQ(boxes(), std::vector<long>{22});
}

TEST_F(LanChannel, DroppedSocketReconnectsAndTheReplyLimitCountsFromTheStart)
{
    socket->drop();
    socket->connectDelayMs = 4500;
    lanPeer([](const std::string&) { return std::string("OK\r"); }, 400);
    int64_t start = world.now;
    EXPECT_EQ(link->fncSendCommand("CAPTURE"), "OK");
    EXPECT_EQ(world.now - start, 4900);
    EXPECT_EQ(socket->connects, 1);

    // Reconnected, but the reply would come after 5000 ms from the start.
    socket->drop();
    lanPeer([](const std::string&) { return std::string("OK\r"); }, 1200);
    start = world.now;
    EXPECT_EQ(link->fncSendCommand("CAPTURE"), "");
    EXPECT_EQ(boxes(), std::vector<long>{22});
}

TEST_F(LanChannel, NoReconnectWithin6000ms)
{
    socket->drop();
    socket->connectDelayMs = -1;
    int64_t start = world.now;
    EXPECT_EQ(link->fncSendCommand("CAPTURE"), "");
    EXPECT_EQ(world.now - start, 6000);
    EXPECT_TRUE(socket->sent.empty());
    EXPECT_EQ(boxes(), std::vector<long>{22});
    EXPECT_EQ(state.gLinkMode, 2);
}

TEST_F(SerialChannel, AFloodWithoutATerminatorIsNoReplyLongBeforeTheTimeOut)
{
    // The peer keeps sending; the channel stops at the reply limit instead of waiting 5000 ms
    // while its buffer grows.
    std::function<void()> flood = [this, &flood] {
        port->input += std::string(4096, 'A');
        world.after(1, flood);
    };
    port->onWrite = [this, &flood](const std::string&) { world.after(1, flood); };
    const int64_t start = world.now;
    EXPECT_EQ(link->fncSendCommand("CAPTURE"), "");
    EXPECT_EQ(boxes(), std::vector<long>{22});
    EXPECT_LT(world.now - start, 100);
    // A reply line over the limit is no valid reply either; one at the limit is.
    EXPECT_EQ(cappedReply(std::string(kReplyLimit + 1, 'A') + "\r", "\r"), std::string());
    EXPECT_EQ(cappedReply(std::string(kReplyLimit, 'A') + "\r", "\r"), std::string(kReplyLimit, 'A'));
    EXPECT_EQ(cappedReply(std::string(kReplyLimit, 'A'), "\r"), std::nullopt);
}

TEST(TelnetText, NegotiationIsRefusedAndRemovedWhereverTheArrivalsSplitIt)
{
    const std::string wire("\xFF\xFD\x01" "A\xFF\xFF" "B\xFF\xFB\x03\xFF\xFA\x18\x01\xFF\xFF\xFF\xF0" "C\xFF\xF1\xFF\xFE\x05" "D");
    for (std::size_t cut = 0; cut <= wire.size(); ++cut) {
        TelnetTextFilter filter;
        std::string text, answers;
        filter.take(wire.substr(0, cut), text, answers);
        filter.take(wire.substr(cut), text, answers);
        EXPECT_EQ(text, "A\xFF" "BCD") << cut;
        EXPECT_EQ(answers, "\xFF\xFC\x01\xFF\xFE\x03") << cut;
    }
}
