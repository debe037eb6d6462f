#include "link_fixture.h"

#include "link/framing.h"
#include "link/telnet_text.h"

#include <algorithm>
#include <filesystem>

#include <sys/wait.h>
#include <unistd.h>

class SerialChannel : public LinkFixture {
protected:
    SerialChannel()
    {
        EXPECT_EQ(link->channel().fncOpenComPort(), 0);
        state.gLinkMode = kLinkSerial;
        mainLog.lines.clear();
    }
};

TEST_F(SerialChannel, NoLinkShowsMessage21AndSendsNothing)
{
    state.gLinkMode = kLinkNone;
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

TEST_F(SerialChannel, PulledAdapterEndsTheLinkWithOneMessageNamingTheDevice)
{
    int notified = 0;
    link->notifier().subscribe([&] { ++notified; });
    port->onWrite = [this](const std::string&) { world.after(50, [this] { port->lost = true; }); };
    int64_t start = world.now;
    EXPECT_EQ(link->fncSendCommand("M"), "");
    EXPECT_LT(world.now - start, 5000);
    EXPECT_EQ(state.gLinkMode, 0);
    EXPECT_EQ(notified, 1);
    EXPECT_FALSE(port->isOpen());
    ASSERT_EQ(boxes(), std::vector<long>{300});
    EXPECT_EQ(prompter.shown[0].text, "The serial port COM1 /dev/fake1 is gone.");
    EXPECT_EQ(mainLog.lines, std::vector<std::string>{"COM1 /dev/fake1 was lost: Input/output error"});
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
    EXPECT_EQ(boxes(), std::vector<long>{300});
}

TEST_F(SerialChannel, PortClosedUnderTheSerialLinkIsReportedAsNoLink)
{
    port->close();
    EXPECT_EQ(link->fncSendCommand("M"), "");
    EXPECT_EQ(boxes(), std::vector<long>{21});
}

TEST_F(LinkFixture, OpenAndCloseLogThePortAndWhyItDidNotOpen)
{
    EXPECT_EQ(link->channel().fncOpenComPort(), 0);
    EXPECT_EQ(port->config().device, "/dev/fake1");
    EXPECT_EQ(port->config().baud, 38400);
    link->channel().fncCloseComPort();
    link->channel().fncCloseComPort(); // a port that is not open is not closed again
    EXPECT_EQ(mainLog.lines, (std::vector<std::string>{"COM1 /dev/fake1 opened", "COM1 /dev/fake1 closed"}));

    struct Case { const char* reason; PortRefusal refusal; std::string line; };
    const Case cases[] = {
        {"Permission denied", PortRefusal::Permission,
         "COM1 /dev/fake1: Permission denied (the user must be in the dialout group)"},
        // Qt's words for a port another program holds speak of permission too.
        {"Permission error while locking the device", PortRefusal::InUse, "COM1 /dev/fake1: in use by another program"},
        {"Device or resource busy", PortRefusal::InUse, "COM1 /dev/fake1: in use by another program"},
        {"No such file or directory", PortRefusal::Other, "COM1 /dev/fake1: No such file or directory"},
    };
    for (const Case& c : cases) {
        port->refuseWith = c.reason;
        port->refusal = c.refusal;
        EXPECT_EQ(link->channel().fncOpenComPort(), 1);
        EXPECT_EQ(mainLog.lines.back(), c.line);
        EXPECT_EQ(link->channel().lastPortFailure(), c.line);
    }
    EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(LinkFixture, TheBinaryModeOfATransferIsNoNewLink)
{
    ASSERT_EQ(link->channel().fncOpenComPort(), 0);
    mainLog.lines.clear();
    EXPECT_EQ(link->channel().fncSwitchComMode(true), 0);
    EXPECT_TRUE(port->config().binary);
    EXPECT_EQ(link->channel().fncSwitchComMode(false), 0);
    EXPECT_FALSE(port->config().binary);
    EXPECT_TRUE(mainLog.lines.empty());
    port->refuseWith = "Input/output error";
    EXPECT_EQ(link->channel().fncSwitchComMode(true), 1);
    EXPECT_EQ(mainLog.lines, std::vector<std::string>{"COM1 /dev/fake1: Input/output error"});
}

namespace {

const char kCan = 0x18;

// A controller whose last transfer was left open by a client that died: until it hears two
// CAN it answers whatever comes with XMODEM traffic, then it answers commands again.
struct StuckController {
    std::string traffic;   // what it sends each time bytes arrive while stuck
    int stuckFor = 1;      // stop sequences it takes to get out (2: a second one is needed)
    int stops = 0;
    bool stuck() const { return stops < stuckFor; }
    std::string answer(const std::string& bytes)
    {
        if (std::count(bytes.begin(), bytes.end(), kCan) >= 2) {
            ++stops;
            return {};
        }
        return stuck() ? traffic : std::string("OK\r");
    }
};

std::string block()
{
    std::string b("\x01\x05\xFA");
    b += std::string(40, 'a') + "\r" + std::string(89, 'b') + "\x12\x34";
    return b;
}

struct TrafficCase {
    const char* name;
    std::string traffic;
    bool pendingBefore;  // the traffic already waits before the command is sent
};

const TrafficCase kTrafficCases[] = {
    {"start requests", "CC", false},
    {"one start request, at the end of the wait", "C", false},
    {"NAK start requests", "\x15\x15", false},
    {"a block", block(), false},
    {"a block waiting before the command", block(), true},
};

} // namespace

TEST_F(SerialChannel, XmodemTrafficInsteadOfAReplyEndsTheTransferAndTheCommandGoesOnceMore)
{
    for (const TrafficCase& c : kTrafficCases) {
        SCOPED_TRACE(c.name);
        port->written.clear();
        mainLog.lines.clear();
        prompter.shown.clear();
        StuckController controller{c.traffic};
        serialPeer([&](const std::string& bytes) { return controller.answer(bytes); });
        if (c.pendingBefore)
            port->input = c.traffic;
        EXPECT_EQ(link->fncSendCommand("CAPTURE"), "OK");
        EXPECT_EQ(boxes(), std::vector<long>{});
        const std::vector<std::string> expected = c.pendingBefore
            ? std::vector<std::string>{std::string(10, kCan), "CAPTURE\r"}
            : std::vector<std::string>{"CAPTURE\r", std::string(10, kCan), "CAPTURE\r"};
        EXPECT_EQ(port->written, expected);
        ASSERT_EQ(mainLog.lines.size(), 1u);
        EXPECT_EQ(mainLog.lines[0], "COM1 /dev/fake1: the controller was still inside a data transfer: it was stopped "
                                    "and the command sent again");
    }
    for (Pump p : world.pumps)
        EXPECT_EQ(p, Pump::None);
}

TEST_F(SerialChannel, TheCommandGoesOnceMoreOnly)
{
    StuckController controller{"CC", 2};
    serialPeer([&](const std::string& bytes) { return controller.answer(bytes); });
    EXPECT_EQ(link->fncSendCommand("CAPTURE"), "");
    EXPECT_EQ(boxes(), std::vector<long>{22});
    EXPECT_EQ(port->written.size(), 3u);
    // A reply that merely starts with "C" is a reply.
    serialPeer([](const std::string&) { return std::string("C1\r"); });
    EXPECT_EQ(link->fncSendCommand("X"), "C1");
}

TEST_F(LinkFixture, TheDialoutHintSpeaksTheWindowsLanguage)
{
    state.gLanguage = 0;
    folder.write("MessageJPN.ini", "[Label]\r\n305=dialout-ja\r\n");
    port->refuseWith = "Permission denied";
    EXPECT_EQ(link->channel().fncOpenComPort(), 1);
    EXPECT_EQ(mainLog.lines.back(), "COM1 /dev/fake1: Permission denied (dialout-ja)");
}

class LanChannel : public LinkFixture {
protected:
    LanChannel()
    {
        state.gLinkMode = kLinkLan;
        socket->setRemote("127.0.0.1", 23);
        socket->st = kSockConnected;
    }
};

// A run killed inside a transfer left its mark: the next command on the same port or address
// ends that transfer first (the controller answers nothing while inside it), once.
TEST_F(LinkFixture, AKilledRunsTransferIsEndedBeforeTheFirstCommand)
{
    pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    ::waitpid(child, nullptr, 0);
    const std::string killed = "transfer.plntool-" + std::to_string(child) + "-";
    const std::string cans(10, '\x18');
    struct Case {
        const char* what;
        int mode;
        std::string mark;
        bool stopped;
    };
    const Case cases[] = {
        {"serial, this device", 1, killed + "_dev_fake1", true},
        {"serial, another device", 1, killed + "_dev_fake2", false},
        {"LAN, this address", 2, killed + "127.0.0.1_23", true},
        {"LAN, another port", 2, killed + "127.0.0.1_2323", false},
    };
    socket->setRemote("127.0.0.1", 23);
    ASSERT_EQ(link->channel().fncOpenComPort(), 0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto marks = folder.path() / "marks";
        std::filesystem::create_directories(marks);
        folder.write("marks/" + c.mark, "");
        state.gLinkMode = c.mode;
        socket->st = kSockConnected;
        port->written.clear();
        socket->sent.clear();
        mainLog.lines.clear();
        auto answer = [](const std::string& bytes) { return bytes.find('\x18') != std::string::npos ? "" : "OK\r"; };
        serialPeer(answer);
        lanPeer(answer);
        for (int i = 0; i < 2; ++i)
            EXPECT_EQ(link->fncSendCommand("CAPTURE"), "OK");
        std::vector<std::string> expected{"CAPTURE\r", "CAPTURE\r"};
        if (c.stopped)
            expected.insert(expected.begin(), cans);
        EXPECT_EQ(c.mode == 1 ? port->written : socket->sent, expected);
        EXPECT_EQ(std::filesystem::exists(marks / c.mark), !c.stopped);
        const auto& lines = mainLog.lines;
        EXPECT_EQ(lines.size(), c.stopped ? 1u : 0u);
        if (c.stopped && !lines.empty())
            EXPECT_NE(lines[0].find("an earlier run ended inside a data transfer"), std::string::npos) << lines[0];
        std::filesystem::remove_all(marks);
    }
    EXPECT_EQ(boxes(), std::vector<long>{});
}

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

TEST_F(LanChannel, XmodemTrafficInsteadOfAReplyEndsTheTransferAndTheCommandGoesOnceMore)
{
    for (const TrafficCase& c : kTrafficCases) {
        SCOPED_TRACE(c.name);
        socket->sent.clear();
        prompter.shown.clear();
        StuckController controller{c.traffic};
        socket->onSend = [&](const std::string& bytes) {
            std::string r = controller.answer(bytes);
            if (std::count(bytes.begin(), bytes.end(), kCan) >= 2)
                r = "ER\r"; // the closing line of the cancelled transfer
            world.after(20, [this, r] { socket->input += r; });
        };
        if (c.pendingBefore)
            socket->input = c.traffic;
        EXPECT_EQ(link->fncSendCommand("CAPTURE"), "OK");
        EXPECT_TRUE(prompter.shown.empty());
        const std::vector<std::string> expected = c.pendingBefore
            ? std::vector<std::string>{std::string(10, kCan), "CAPTURE\r"}
            : std::vector<std::string>{"CAPTURE\r", std::string(10, kCan), "CAPTURE\r"};
        EXPECT_EQ(socket->sent, expected);
    }
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
