// Transfer control: the serial port's binary spell, the closing reply on TCP, the messages,
// the empty-file refusal and the previous file kept after a failed receive.
#include "xmodem_fixture.h"

#include "xmodem/transfer_control.h"
#include "xmodem/xm_limits.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

const std::string NAK = bytes({kNAK});
const std::string ACK = bytes({kACK});
const std::string EOT = bytes({kEOT});

class TransferControlTest : public LinkFixture {
protected:
    TransferControlTest()
    {
        folder.write("MessageENG.ini",
                     "[Message]\r\n21=No link.@48\r\n22=No valid reply.@16\r\n23=Timed out.@16\r\n"
                     "300=%1 is gone.@16\r\n301=%1 hung up.@16\r\n302=Damaged blocks on %1.@16\r\n"
                     "[Label]\r\n4=Received\r\n5=bytes\r\n");
        std::filesystem::create_directories(folder / "data");
    }

    // The TCP link, connected, with a controller that answers each of our sends with the
    // next reply (telnet-escaped as the controller would send it).
    void useLan()
    {
        state.gLinkMode = kLinkLan;
        socket->st = kSockConnected;
        socket->onSend = [this](const std::string&) {
            if (replies.empty())
                return;
            std::string r = replies.front();
            replies.pop_front();
            if (!r.empty())
                world.after(10, [this, r] { socket->input += r; });
        };
    }

    void useSerial()
    {
        state.gLinkMode = kLinkSerial;
        ASSERT_EQ(link->channel().fncOpenComPort(), 0);
        mainLog.lines.clear();
        port->onWrite = [this](const std::string&) {
            if (replies.empty())
                return;
            std::string r = replies.front();
            replies.pop_front();
            if (!r.empty())
                world.after(10, [this, r] { port->input += r; });
        };
    }

    std::vector<std::string> filesInDataFolder() const
    {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(folder / "data"))
            names.push_back(e.path().filename().string());
        return names;
    }

    RecordingView view;
    TransferControl control{*link, view};
    std::deque<std::string> replies;
};

// What the controller sends for a block on TCP: 255 doubled, a NUL after each CR.
std::string escaped(const std::string& packet)
{
    std::string out;
    for (char ch : packet) {
        out += ch;
        if (ch == '\xff')
            out += '\xff';
        else if (ch == '\r')
            out += '\0';
    }
    return out;
}

std::string awkwardBlock()
{
    std::string d = blockData(1);
    d[0] = '\xff';
    d[1] = '\r';
    d[2] = '\n';
    d[127] = '\xff';
    return d;
}

TEST_F(TransferControlTest, ClosingReplyOnTcp)
{
    struct Case { const char* name; std::vector<std::string> pieces; int status; std::vector<long> boxes; };
    const Case cases[] = {
        {"error", {"ER\r"}, kXmFailed, {22}},
        {"ok", {"OK\r"}, kXmComplete, {}},
        {"none", {}, kXmComplete, {}},
        {"error in two pieces", {"ER", "\r"}, kXmComplete, {}},
    };
    for (const Case& c : cases) {
        for (bool sending : {false, true}) {
            SCOPED_TRACE(std::string(c.name) + (sending ? " send" : " receive"));
            prompter.shown.clear();
            useLan();
            replies.clear();
            if (sending) {
                socket->input = "C";
                replies = {ACK, ACK};
            } else {
                replies = {escaped(crcPacket(1, awkwardBlock())), EOT, EOT};
            }
            // The pieces of the closing reply follow the peer's last answer, 1.5 s apart.
            socket->onSend = [this, c](const std::string&) {
                if (replies.empty())
                    return;
                std::string r = replies.front();
                replies.pop_front();
                world.after(10, [this, r] { socket->input += r; });
                if (!replies.empty())
                    return;
                int64_t delay = 100;
                for (const auto& piece : c.pieces) {
                    world.after(delay, [this, piece] { socket->input += piece; });
                    delay += 1500;
                }
            };
            folder.write("data/file.bin", sending ? std::string(100, '\r') : "old");
            int64_t start = world.now;
            bool ok = sending ? control.fncSendFile(folder / "data/file.bin") : control.fncReceiveFile(folder / "data/file.bin");
            EXPECT_EQ(control.lastStatus(), c.status);
            EXPECT_EQ(ok, c.status == kXmComplete);
            EXPECT_EQ(boxes(), c.boxes);
            if (c.pieces.empty())
                EXPECT_GE(world.now - start, 5000);
            if (!sending)
                EXPECT_EQ(folder.read("data/file.bin"), ok ? awkwardBlock() : "old");
            EXPECT_EQ(filesInDataFolder(), std::vector<std::string>{"file.bin"});
        }
    }
}

TEST_F(TransferControlTest, TcpSendGoesOutEscapedInFrames)
{
    useLan();
    socket->input = "C";
    replies = {ACK, ACK, "OK\r"};
    folder.write("data/file.bin", std::string(100, '\xff'));
    ASSERT_TRUE(control.fncSendFile(folder / "data/file.bin"));
    ASSERT_EQ(socket->sent.size(), 2u);
    EXPECT_EQ(socket->sent[0].size(), 289u);
    EXPECT_EQ(socket->sent[0].substr(0, 5), bytes({kSOH, 1, 254, 255, 255}));
    EXPECT_EQ(socket->sent[1], EOT);
}

TEST_F(TransferControlTest, TcpReceiveTimeOutShowsMessage23)
{
    useLan();
    replies = {""};
    folder.write("data/file.bin", "old");
    EXPECT_FALSE(control.fncReceiveFile(folder / "data/file.bin"));
    EXPECT_EQ(control.lastStatus(), kXmTimeout);
    EXPECT_EQ(boxes(), std::vector<long>{23});
    EXPECT_EQ(folder.read("data/file.bin"), "old");
    EXPECT_EQ(filesInDataFolder(), std::vector<std::string>{"file.bin"});
}

TEST_F(TransferControlTest, StopOnTcpSendsTenCanAfterThePause)
{
    useLan();
    state.gSockTimeout = 200000;  // slow polls: the stop comes before any socket time-out
    replies = {escaped(crcPacket(1, blockData(1)))};
    folder.write("data/file.bin", "old");
    int64_t stopAt = world.now + 3000;
    world.at(stopAt, [this] { state.gStopRequest = -1; });
    EXPECT_FALSE(control.fncReceiveFile(folder / "data/file.bin"));
    EXPECT_EQ(control.lastStatus(), kXmStopped);
    std::string sent;
    for (const auto& s : socket->sent)
        sent += s;
    EXPECT_EQ(sent, "C" + ACK + std::string(10, char(kCAN)));
    EXPECT_TRUE(boxes().empty());
    EXPECT_EQ(folder.read("data/file.bin"), "old");
}

// A failed transfer on TCP still ends with the controller's closing line. It is read away (so
// the next command does not take it for its reply) without changing the result, and the wait
// ends as soon as the line is in, also when the stop sequence already read it.
TEST_F(TransferControlTest, FailedTcpTransferTakesTheClosingLineAway)
{
    const std::string CAN = bytes({kCAN});
    std::string badPacket = crcPacket(1, blockData(1));
    badPacket.back() = char(badPacket.back() ^ 1);
    struct Case {
        const char* name;
        bool sending;
        std::vector<std::string> replies;
        int64_t stopAfterMs;   // 0: no stop
        bool lineAfterCan;     // the line follows the tool's first CAN, else the last reply
        const char* line;      // "" for none
        int status;
        std::vector<long> boxes;
    };
    const Case cases[] = {
        {"controller cancels", false, {CAN, CAN}, 0, false, "ER\r", kXmCancelled, {}},
        {"controller cancels, line in pieces", false, {CAN, CAN}, 0, false, "ER", kXmCancelled, {}},
        {"retries exhausted", false, std::vector<std::string>(10, escaped(badPacket)), 0, false, "ER\r", kXmFailed, {302}},
        {"stopped receive", false, {escaped(crcPacket(1, blockData(1)))}, 3000, true, "ER\r", kXmStopped, {}},
        {"stopped send", true, {}, 3000, true, "ER\r", kXmStopped, {}},
        {"controller cancels, no line", false, {CAN, CAN}, 0, false, "", kXmCancelled, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        useLan();
        prompter.shown.clear();
        state.gStopRequest = 0;
        state.gSockTimeout = 200000;  // slow polls: no socket time-out gets in the way
        replies.assign(c.replies.begin(), c.replies.end());
        std::string line = c.line;
        int64_t lineAt = -1;
        socket->onSend = [&, this](const std::string& sent) {
            if (!replies.empty()) {
                std::string r = replies.front();
                replies.pop_front();
                world.after(10, [this, r] { socket->input += r; });
            }
            bool due = c.lineAfterCan ? sent.find(char(kCAN)) != std::string::npos : replies.empty();
            if (due && lineAt < 0 && !line.empty()) {
                lineAt = world.now + 20;
                // "In pieces": the delimiter follows 1.5 s later and only then is the line whole.
                if (line == "ER") {
                    world.after(20, [this] { socket->input += "ER"; });
                    world.after(1520, [this] { socket->input += "\r"; });
                    lineAt += 1500;
                } else {
                    world.after(20, [this, line] { socket->input += line; });
                }
            }
        };
        if (c.sending)
            socket->input = "C";  // and then no answer to the first block
        if (c.stopAfterMs > 0)
            world.after(c.stopAfterMs, [this] { state.gStopRequest = -1; });
        folder.write("data/file.bin", c.sending ? std::string(300, 'x') : "old");
        bool ok = c.sending ? control.fncSendFile(folder / "data/file.bin")
                            : control.fncReceiveFile(folder / "data/file.bin");
        EXPECT_FALSE(ok);
        EXPECT_EQ(control.lastStatus(), c.status);
        EXPECT_EQ(boxes(), c.boxes);
        if (lineAt >= 0)
            EXPECT_EQ(world.now, lineAt) << "the wait goes on after the line came";
        // Nothing of the line is left for the next command to read.
        while (!world.events.empty())
            world.advance(world.events.begin()->first, Pump::All);
        EXPECT_EQ(socket->input, "");
        if (!c.sending)
            EXPECT_EQ(folder.read("data/file.bin"), "old");
    }
}

// A controller that stopped answering may still be in the transfer and would swallow the next
// command: it hears the stop sequence, and its closing line is taken, before the time-out goes on.
TEST_F(TransferControlTest, SocketTimeOutPassesThroughAfterTheStopSequence)
{
    useLan();
    socket->input = "C";  // and then no answer to the first block for 10 s
    socket->onSend = [this](const std::string& sent) {
        if (sent == bytes({kCAN}) && socket->sent.size() == 2)  // the block, the first CAN
            world.after(20, [this] { socket->input += "ER\r"; });
    };
    folder.write("data/file.bin", std::string(100, 'u'));
    int64_t start = world.now;
    try {
        control.fncSendFile(folder / "data/file.bin");
        FAIL() << "no LinkError";
    } catch (const LinkError& e) {
        EXPECT_EQ(e.number(), kErrSockTimeout);
    }
    EXPECT_GE(world.now - start, 10000);
    ASSERT_EQ(socket->sent.size(), 11u);
    EXPECT_EQ(socket->sent[0].size(), 289u);
    for (size_t i = 1; i < 11; ++i)
        EXPECT_EQ(socket->sent[i], bytes({kCAN}));
    EXPECT_EQ(socket->input, "");
    EXPECT_TRUE(boxes().empty());
    EXPECT_EQ(control.lastStatus(), kXmNoStatus);
}

// READY and then EOT EOT is no file: the previous one stays and the user hears of it, on both
// links (and on TCP the controller's closing line is read away).
TEST_F(TransferControlTest, EmptyTransferFailsAndKeepsThePreviousFile)
{
    for (bool lan : {false, true}) {
        SCOPED_TRACE(lan ? "TCP" : "serial");
        prompter.shown.clear();
        if (lan)
            useLan();
        else
            useSerial();
        replies = {EOT, EOT};
        if (lan)
            replies.push_back("OK\r");  // answers our ACK of the second EOT
        folder.write("data/file.bin", "previous");
        EXPECT_FALSE(control.fncReceiveFile(folder / "data/file.bin"));
        EXPECT_EQ(control.lastStatus(), kXmFailed);
        EXPECT_EQ(boxes(), std::vector<long>{22});
        EXPECT_EQ(folder.read("data/file.bin"), "previous");
        EXPECT_EQ(filesInDataFolder(), std::vector<std::string>{"file.bin"});
        if (lan)
            EXPECT_EQ(socket->input, "");
    }
}

// Bytes that wait on the socket before the first "C" are not the sender's: they go, and the
// CRC sender is received in CRC mode.
TEST_F(TransferControlTest, TcpStrayBytesBeforeTheStartRequestAreDiscarded)
{
    useLan();
    socket->input = "0123456789";
    replies = {escaped(crcPacket(1, blockData(1))), EOT, EOT, "OK\r"};
    ASSERT_TRUE(control.fncReceiveFile(folder / "data/new.bin"));
    EXPECT_EQ(socket->sent.front(), "C");
    EXPECT_EQ(folder.read("data/new.bin"), blockData(1));
}

// The progress counts against what the operation expects until the file's header says more,
// and a file longer than that ends full, never past it.
TEST_F(TransferControlTest, ReceiveProgressFollowsTheExpectedSizeThenTheHeader)
{
    useLan();
    replies = {escaped(crcPacket(1, blockData(1))), escaped(crcPacket(2, blockData(2))),
               escaped(crcPacket(3, blockData(3))), EOT, EOT, "OK\r"};
    control.expectBytes(1000);
    control.expectBytesFromHeader(4, [](const uint8_t*) -> int64_t { return 200; });
    ASSERT_TRUE(control.fncReceiveFile(folder / "data/new.bin"));
    ASSERT_EQ(view.figures.size(), 5u);  // the start, three blocks, the end
    EXPECT_EQ(view.figures[0].total, 1024);  // the expectation in whole blocks
    EXPECT_EQ(view.figures[0].bytes, 0);
    EXPECT_EQ(view.figures[1].total, 256);   // the header's 200 bytes in whole blocks
    EXPECT_DOUBLE_EQ(*view.figures[1].fraction, 0.5);
    EXPECT_DOUBLE_EQ(*view.figures[3].fraction, 1.0);
    EXPECT_FALSE(view.figures[3].secondsLeft);
    const TransferFigures& end = view.figures.back();
    EXPECT_TRUE(end.finished);
    EXPECT_EQ(end.total, 384);
    EXPECT_EQ(end.bytes, 384);
    EXPECT_GT(end.elapsedSeconds, 0.0);  // on the fake clock
}

// A controller that never stops sending is stopped at 64 MiB, the bound of a send, and the
// user is told the limit.
TEST_F(TransferControlTest, ReceiveStopsAt64MiB)
{
    useSerial();
    std::vector<std::string> packets;
    for (int n = 0; n < 256; ++n)
        packets.push_back(crcPacket(n, blockData(n)));
    long next = 1;
    port->onWrite = [&](const std::string& w) {
        if (w == "C" || w == ACK)
            world.after(1, [&, this] { port->input += packets[size_t(next++ % 256)]; });
    };
    folder.write("data/file.bin", "previous");
    EXPECT_FALSE(control.fncReceiveFile(folder / "data/file.bin"));
    EXPECT_EQ(control.lastStatus(), kXmErrTooLarge);
    EXPECT_EQ(next - 1, long(kXmMaxFileBytes / 128) + 1);  // the block past the bound is not taken
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_NE(prompter.shown[0].text.find("64 MiB"), std::string::npos);
    EXPECT_EQ(port->written.back(), bytes({kCAN}));
    EXPECT_EQ(folder.read("data/file.bin"), "previous");
    EXPECT_EQ(filesInDataFolder(), std::vector<std::string>{"file.bin"});
}

TEST_F(TransferControlTest, SerialTransferRunsInBinaryModeAndGivesTheTextPortBack)
{
    useSerial();
    const SerialConfig before = port->config();
    bool binaryDuringTransfer = false;
    replies = {crcPacket(1, blockData(1)), EOT, EOT};
    auto peer = port->onWrite;
    port->onWrite = [&](const std::string& w) {
        binaryDuringTransfer = port->config().binary;
        peer(w);
    };
    ASSERT_TRUE(control.fncReceiveFile(folder / "data/new.bin"));
    EXPECT_TRUE(binaryDuringTransfer);
    EXPECT_TRUE(mainLog.lines.empty()); // the switch to binary mode and back is no new link
    EXPECT_TRUE(port->isOpen());
    EXPECT_FALSE(port->config().binary);
    EXPECT_EQ(port->config().device, before.device);
    EXPECT_EQ(port->config().baud, before.baud);
    EXPECT_EQ(folder.read("data/new.bin"), blockData(1));
    EXPECT_EQ(view.readText, "Received 129 bytes");
}

TEST_F(TransferControlTest, FailedOrStoppedSerialReceiveKeepsThePreviousFile)
{
    for (bool stop : {false, true}) {
        SCOPED_TRACE(stop);
        useSerial();
        prompter.shown.clear();
        state.gStopRequest = 0;
        folder.write("data/file.bin", "previous");
        replies = {crcPacket(1, blockData(1)), crcPacket(3, blockData(3))};
        if (stop) {
            replies = {crcPacket(1, blockData(1))};
            world.after(500, [this] { state.gStopRequest = -1; });
        }
        EXPECT_FALSE(control.fncReceiveFile(folder / "data/file.bin"));
        EXPECT_EQ(control.lastStatus(), stop ? kXmStopped : kXmFailed);
        EXPECT_EQ(boxes(), stop ? std::vector<long>{} : std::vector<long>{22});
        EXPECT_EQ(folder.read("data/file.bin"), "previous");
        EXPECT_EQ(filesInDataFolder(), std::vector<std::string>{"file.bin"});
        EXPECT_FALSE(port->config().binary);
    }
}

TEST_F(TransferControlTest, DeviceLostMidTransferEndsTheLinkWithOneMessageNamingIt)
{
    for (bool sending : {false, true}) {
        SCOPED_TRACE(sending);
        useSerial();
        prompter.shown.clear();
        folder.write("data/file.bin", "previous");
        if (sending)
            world.after(5, [this] { port->input += "C"; });
        else
            replies = {crcPacket(1, blockData(1))};
        world.after(200, [this] { port->lost = true; });
        EXPECT_FALSE(sending ? control.fncSendFile(folder / "data/file.bin") : control.fncReceiveFile(folder / "data/file.bin"));
        ASSERT_EQ(prompter.shown.size(), 1u);
        EXPECT_EQ(prompter.shown[0].number, 300);
        EXPECT_EQ(prompter.shown[0].text, "COM1 /dev/fake1 is gone.");
        EXPECT_EQ(state.gLinkMode, 0);
        EXPECT_FALSE(port->isOpen());
        EXPECT_EQ(mainLog.lines, std::vector<std::string>{"COM1 /dev/fake1 was lost: Input/output error"});
        EXPECT_EQ(folder.read("data/file.bin"), "previous");
        // Connect works at once.
        EXPECT_EQ(link->channel().fncOpenComPort(), 0);
    }
}

TEST_F(TransferControlTest, BlocksThatKeepArrivingDamagedAreSaidSoWithThePort)
{
    useSerial();
    std::string bad = crcPacket(1, blockData(1));
    bad.back() = char(bad.back() ^ 0x5A);
    replies.assign(10, bad);
    EXPECT_FALSE(control.fncReceiveFile(folder / "data/file.bin"));
    EXPECT_EQ(control.lastStatus(), kXmFailed);
    EXPECT_EQ(boxes(), std::vector<long>{302});
    EXPECT_EQ(prompter.shown[0].text, "Damaged blocks on COM1 /dev/fake1.");
}

TEST_F(TransferControlTest, PeerClosingDuringATcpTransferIsToldWithItsAddress)
{
    useLan();
    socket->setRemote("192.0.2.7", 2323);
    replies = {escaped(crcPacket(1, blockData(1)))};
    auto peer = socket->onSend;
    int sends = 0;
    socket->onSend = [&](const std::string& b) {
        if (++sends == 2) // after our ACK of the first block the controller hangs up
            world.after(5, [this] { socket->drop(); socket->connectDelayMs = -1; });
        peer(b);
    };
    try {
        control.fncReceiveFile(folder / "data/file.bin");
        FAIL() << "no LinkError";
    } catch (const LinkError& e) {
        EXPECT_EQ(e.number(), kErrLinkReported);
    }
    EXPECT_EQ(boxes(), std::vector<long>{301});
    EXPECT_EQ(prompter.shown[0].text, "192.0.2.7:2323 hung up.");
}

TEST_F(TransferControlTest, WithoutALinkNothingIsOpenedAndTheFailureIsShownOnce)
{
    state.gLinkMode = kLinkNone;
    folder.write("data/file.bin", "old");
    EXPECT_FALSE(control.fncReceiveFile(folder / "data/file.bin"));
    EXPECT_EQ(port->opens, 0);
    EXPECT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(folder.read("data/file.bin"), "old");
    EXPECT_EQ(filesInDataFolder(), std::vector<std::string>{"file.bin"});
}

TEST_F(TransferControlTest, EmptyFileIsRefusedBeforeTheLinkIsTouched)
{
    useSerial();
    int opens = port->opens;
    folder.write("data/empty.bin", "");
    try {
        control.fncSendFile(folder / "data/empty.bin");
        FAIL() << "no LinkError";
    } catch (const LinkError& e) {
        EXPECT_EQ(e.number(), kErrEmptyFile);
    }
    EXPECT_EQ(port->opens, opens);
    EXPECT_TRUE(mainLog.lines.empty());
    EXPECT_TRUE(port->written.empty());
    EXPECT_EQ(view.progressMaximum(), 0);
}

TEST_F(TransferControlTest, SerialSendSetsTheProgressMaximumAndStartsFromZero)
{
    useSerial();
    view.setProgressValue(77);
    port->onWrite = [this](const std::string&) { world.after(10, [this] { port->input += ACK; }); };
    world.after(5, [this] { port->input += "C"; });
    folder.write("data/file.bin", std::string(300, 'a'));
    ASSERT_TRUE(control.fncSendFile(folder / "data/file.bin"));
    EXPECT_EQ(view.progressMaximum(), 300);
    EXPECT_EQ(view.values, (std::vector<int64_t>{77, 0, 128, 256, 300}));
    EXPECT_TRUE(mainLog.lines.empty()); // the switch to binary mode and back is no new link
}

} // namespace
