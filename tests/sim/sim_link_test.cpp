// The real link (QSerialPort on a pseudo-terminal, QTcpSocket on loopback) against plnsim.
#include "processor_time.h"
#include "sim_link_fixture.h"
#include "sim_process.h"

#include "link/device_link.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <thread>

namespace {

struct Expect { const char* command; const char* reply; std::vector<long> boxes; };

// The command set as the simulator answers it (the transfers are tested with their XMODEM side).
const Expect kCommandSet[] = {
    {"CAPTURE", "OK", {}},        {"IMGINFO 0 0", "3", {}},     {"IMGINFO 0 3", "35", {}},
    {"BANK 3", "OK", {}},         {"BG 31", "OK", {}},          {"M", "OK", {}},
    {"M /I", "OK", {}},           {"M /C", "OK", {}},           {"M /E", "OK", {}},
    {"BANK 32", "ER", {24}},      {"IMGSAVE 0 100", "ER", {24}},  {"HELLO", "ER", {24}},
};

class SimLink : public SimLinkFixture {
protected:
    // The program sitting idle between two clicks: events run, nothing else happens.
    static void idle(int ms)
    {
        QEventLoop loop;
        QTimer::singleShot(ms, &loop, &QEventLoop::quit);
        loop.exec();
    }
    void expectCommandSet()
    {
        for (const Expect& e : kCommandSet) {
            EXPECT_EQ(link.fncSendCommand(e.command), e.reply) << e.command;
            EXPECT_EQ(boxes(), e.boxes) << e.command;
        }
        std::string judgement = link.fncSendCommand("DATAGET 2 0");
        EXPECT_TRUE(judgement == "0" || judgement == "-1" || judgement == "-2") << judgement;
        EXPECT_FALSE(link.fncSendCommand("DATAGET 2 1").empty());
    }
};

} // namespace

TEST_F(SimLink, CommandSetOverTcpWithEachTerminator)
{
    SimProcess sim({"--tcp", "0"});
    useLan(sim.tcpPort);
    expectCommandSet();
    for (const char* t : {"\n", "\r\n", "\r"}) {
        state.gLanDelimiter = t;
        EXPECT_EQ(link.fncSendCommand(" BANK 4 "), "OK");
    }
    EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(SimLink, CommandSetOverAPseudoTerminalWithEachTerminator)
{
    std::string linkPath = (folder / "com1").string();
    SimProcess sim({"--pty", linkPath});
    useSerial(linkPath);
    EXPECT_EQ(log.lines, std::vector<std::string>{"COM1 " + linkPath + " opened"});
    expectCommandSet();
    for (const char* t : {"\n", "\r\n", "\r"}) {
        state.gComDelimiter = t;
        EXPECT_EQ(link.fncSendCommand("CAPTURE"), "OK");
    }
    EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(SimLink, ReplyEndingInCRLFOnBothLinks)
{
    std::string linkPath = (folder / "com1").string();
    SimProcess sim({"--tcp", "0", "--pty", linkPath, "--reply-terminator", "CRLF"});
    useSerial(linkPath);
    state.gComDelimiter = "\r";
    EXPECT_EQ(link.fncSendCommand("CAPTURE"), "OK");   // the LF is left behind...
    EXPECT_EQ(link.fncSendCommand("BANK 1"), "OK");    // ...and dropped before the next command
    state.gComDelimiter = "\n";
    EXPECT_EQ(link.fncSendCommand("CAPTURE"), "OK\r"); // LF keeps the CR in the reply
    useLan(sim.tcpPort);
    state.gLanDelimiter = "\r\n";
    EXPECT_EQ(link.fncSendCommand("CAPTURE"), "OK");
    state.gLanDelimiter = "\n";
    EXPECT_EQ(link.fncSendCommand("CAPTURE"), "OK\r");
    EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(SimLink, NoLinkShowsMessage21AndSendsNothing)
{
    std::string linkPath = (folder / "com1").string();
    SimProcess sim({"--tcp", "0", "--pty", linkPath});
    useSerial(linkPath);
    useLan(sim.tcpPort);
    idle(200);
    ASSERT_EQ(link.socket().state(), kSockConnected);
    state.gLinkMode = kLinkNone;
    EXPECT_EQ(link.fncSendCommand("CAPTURE"), "");
    EXPECT_EQ(boxes(), std::vector<long>{21});
    // Had anything gone out, the simulator's answer would be here by now.
    link.port().waitForInput(300);
    idle(100);
    EXPECT_EQ(link.port().bytesAvailable(), 0);
    EXPECT_EQ(link.socket().bytesAvailable(), 0);
}

TEST_F(SimLink, LanReconnectsAfterTheSimulatorDropsTheConnection)
{
    SimProcess sim({"--tcp", "0", "--drop-after-replies", "1"});
    useLan(sim.tcpPort);
    EXPECT_EQ(link.fncSendCommand("CAPTURE"), "OK");
    for (int i = 0; i < 3; ++i) {
        idle(100);
        EXPECT_EQ(link.fncSendCommand("BANK 1"), "OK") << i;
    }
    EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(SimLink, SimulatorKilledDuringAnLanExchange)
{
    auto sim = std::make_unique<SimProcess>(std::vector<std::string>{"--tcp", "0", "--reply-delay", "3000"});
    useLan(sim->tcpPort);
    std::thread killer([&] { std::this_thread::sleep_for(std::chrono::milliseconds(300)); sim->kill(); });
    QElapsedTimer t;
    t.start();
    EXPECT_EQ(link.fncSendCommand("CAPTURE"), "");
    killer.join();
    EXPECT_LT(t.elapsed(), 5500);
    EXPECT_EQ(boxes(), std::vector<long>{22});
    EXPECT_EQ(state.gLinkMode, 2); // the next command tries to reconnect
    EXPECT_EQ(link.fncSendCommand("CAPTURE"), "");
    EXPECT_EQ(boxes(), std::vector<long>{22});
}

TEST_F(SimLink, PseudoTerminalClosedDuringASerialExchange)
{
    std::string linkPath = (folder / "com1").string();
    auto sim = std::make_unique<SimProcess>(std::vector<std::string>{"--pty", linkPath, "--reply-delay", "3000"});
    useSerial(linkPath);
    std::thread killer([&] { std::this_thread::sleep_for(std::chrono::milliseconds(300)); sim->kill(); });
    QElapsedTimer t;
    t.start();
    EXPECT_EQ(link.fncSendCommand("CAPTURE"), "");
    killer.join();
    EXPECT_LT(t.elapsed(), 2000);
    EXPECT_EQ(boxes(), std::vector<long>{300}); // the device is gone, not merely silent
    EXPECT_EQ(state.gLinkMode, 0);
    EXPECT_FALSE(link.port().isOpen());
    EXPECT_EQ(link.fncSendCommand("CAPTURE"), "");
    EXPECT_EQ(boxes(), std::vector<long>{21});
}

TEST_F(SimLink, PseudoTerminalClosedWhileIdleCostsNoProcessorTimeAndEndsTheLinkOnce)
{
    std::string linkPath = (folder / "com1").string();
    auto sim = std::make_unique<SimProcess>(std::vector<std::string>{"--pty", linkPath});
    useSerial(linkPath);
    sim->kill();
    double before = processorSeconds();
    idle(500);
    EXPECT_LT(processorSeconds() - before, 0.1);
    EXPECT_EQ(link.fncSendCommand("CAPTURE"), "");
    EXPECT_EQ(boxes(), std::vector<long>{300});
    EXPECT_EQ(state.gLinkMode, 0);
    EXPECT_EQ(link.fncSendCommand("CAPTURE"), "");
    EXPECT_EQ(boxes(), std::vector<long>{21});
}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

// A client killed in the middle of a transfer leaves the controller inside it: waiting for the
// start request (a save announced with READY), or asking for blocks (a load). The next
// command meets XMODEM traffic, ends the transfer with the stop sequence and is answered.
TEST_F(SimLink, ATransferLeftOpenByAKilledClientIsEndedAndTheNextCommandAnswered)
{
    std::string linkPath = (folder / "com1").string();
    SimProcess sim({"--tcp", "0", "--pty", linkPath});
    for (const char* announced : {"IMGSAVE 0 1", "BNKLOAD 0 3"}) {
        for (bool lan : {false, true}) {
            SCOPED_TRACE(std::string(announced) + (lan ? " on TCP" : " on the pseudo-terminal"));
            if (lan) {
                link.channel().fncCloseComPort();
                useLan(sim.tcpPort);
            } else {
                useSerial(linkPath);
            }
            ASSERT_EQ(link.fncSendCommand(announced), "READY");
            if (!lan) {
                // The client dies: its port closes with the transfer open; the next one opens it.
                link.port().close();
                ASSERT_EQ(link.channel().fncOpenComPort(), 0);
            }
            QElapsedTimer t;
            t.start();
            EXPECT_EQ(link.fncSendCommand("CAPTURE"), "OK");
            EXPECT_LT(t.elapsed(), 4000);
            EXPECT_EQ(boxes(), std::vector<long>{});
            ASSERT_FALSE(log.lines.empty());
            EXPECT_NE(log.lines.back().find("still inside a data transfer"), std::string::npos) << log.lines.back();
            EXPECT_EQ(link.fncSendCommand("BANK 3"), "OK");
            if (lan)
                link.socket().close();
        }
    }
}
