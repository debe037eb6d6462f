// plnctl against the simulator: replies, exit codes, messages on stderr, an idle wait.
#include "plnctl_fixture.h"
#include "sim_process.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

namespace {

class Plnctl : public PlnctlFixture {};

} // namespace

TEST_F(Plnctl, SendOverTcpPrintsTheReply)
{
    SimProcess sim({"--tcp", "0"});
    std::string host = "127.0.0.1:" + std::to_string(sim.tcpPort);
    ChildResult r = run({"--host", host, "send", "CAPTURE"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "OK\n");

    r = run({"--host", host, "--delimiter", "CRLF", "send", "BANK", "99"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "The controller answered ER.\n");
}

TEST_F(Plnctl, CommandsOverAPseudoTerminal)
{
    std::string com = (folder / "com1").string();
    SimProcess sim({"--pty", com});
    struct Case { std::vector<std::string> args; int exitCode; std::string out; };
    const Case cases[] = {
        {{"capture"}, 0, ""},
        {{"bank", "select", "31"}, 0, ""},
        {{"group", "select", "0"}, 0, ""},
        {{"measure", "start"}, 0, ""},
        {{"measure", "start"}, 1, ""},   // already running: "ER"
        {{"measure", "stop"}, 0, ""},
        {{"measure", "once"}, 0, ""},
        {{"measure", "inspect"}, 0, ""},
        {{"bank", "select", "32"}, 2, ""},
        {{"measure", "sideways"}, 2, ""},
        {{"frobnicate"}, 2, ""},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args{"--device", com};
        args.insert(args.end(), c.args.begin(), c.args.end());
        ChildResult r = run(args);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.args[0] << " " << r.err;
        EXPECT_EQ(r.out, c.out) << c.args[0];
    }
    // Setting.ini's port 1, found through the environment.
    ChildResult r = run({"result"}, {"PLNTOOL_COM1=" + com});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(r.out.rfind("OK\t", 0) == 0 || r.out.rfind("NG\t", 0) == 0 || r.out.rfind("Error\t", 0) == 0) << r.out;
}

TEST_F(Plnctl, PortThatDoesNotOpenFailsWithTheReason)
{
    ChildResult r = run({"capture"}, {"PLNTOOL_COM1=" + (folder / "nothing").string()});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("COM1 " + (folder / "nothing").string() + ": "), std::string::npos) << r.err;
}

TEST_F(Plnctl, APortAnotherRunHoldsIsInUseNotForbidden)
{
    std::string com = (folder / "com1").string();
    SimProcess sim({"--pty", com, "--silent"});
    // The first run holds the port while it waits five seconds for a reply that never comes.
    std::thread first([&] { run({"--device", com, "send", "CAPTURE"}); });
    std::this_thread::sleep_for(std::chrono::milliseconds(800));
    ChildResult second = run({"--device", com, "capture"});
    // The same terminal under its own name: only the lock on the device itself sees it.
    const std::string device = std::filesystem::read_symlink(com).string();
    ChildResult third = run({"--device", device, "capture"});
    first.join();
    for (const ChildResult& r : {second, third}) {
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_NE(r.err.find(": in use by another program"), std::string::npos) << r.err;
        EXPECT_EQ(r.err.find("dialout"), std::string::npos) << r.err;
        EXPECT_LT(r.wallSeconds, 2.0);
    }
    EXPECT_NE(third.err.find("COM1 " + device), std::string::npos) << third.err;
}

// A run that ends (or is killed) with a transfer announced leaves the controller inside it;
// the next run's command ends that transfer and is answered.
TEST_F(Plnctl, ATransferLeftOpenByAnEarlierRunIsEndedByTheNextCommand)
{
    std::string com = (folder / "com1").string();
    SimProcess sim({"--pty", com});
    for (const char* announce : {"BNKLOAD 0 4", "SYSSAVE 0"}) {
        SCOPED_TRACE(announce);
        ChildResult r = run({"--device", com, "send", announce});
        ASSERT_EQ(r.out, "READY\n") << r.err;
        r = run({"--device", com, "capture"});
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.err, "");
        EXPECT_LT(r.wallSeconds, 4.5);
    }
}

TEST_F(Plnctl, SilentControllerFailsAfterFiveSecondsWithoutBurningTheProcessor)
{
    SimProcess sim({"--tcp", "0", "--silent"});
    ChildResult r = run({"--host", "127.0.0.1:" + std::to_string(sim.tcpPort), "send", "CAPTURE"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "The controller did not answer.\n");
    EXPECT_EQ(r.out, "");
    EXPECT_GE(r.wallSeconds, 4.9);
    EXPECT_LT(r.wallSeconds, 7.0);
    EXPECT_LT(r.cpuSeconds, 0.2);
}

// A silent serial controller is named with the line settings; the line that said the port
// opened is no reason.
TEST_F(Plnctl, ASilentSerialControllerIsNamedInTheFailure)
{
    std::string com = (folder / "com1").string();
    SimProcess sim({"--pty", com, "--silent"});
    ChildResult r = run({"--device", com, "bank", "save", "3", (folder / "b.BNK").string()});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("plnctl: no valid reply on " + com + " (38400,N,8,1)"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("opened"), std::string::npos) << r.err;
}

// The locale chooses the language, --language overrides it, and Setting.ini is left alone.
TEST_F(Plnctl, SpeaksTheLanguageOfTheLocale)
{
    folder.write("MessageJPN.ini", "[Message]\r\n24=JPN controller ER@48\r\n");
    folder.write("Setting.ini", "[COM]\r\nPort=1\r\nSetting=38400,N,8,1\r\nDelimitr=0\r\n");
    const std::string settings = folder.read("Setting.ini");
    SimProcess sim({"--tcp", "0"});
    const std::string host = "127.0.0.1:" + std::to_string(sim.tcpPort);
    struct Case { const char* lang; std::vector<std::string> flags; const char* err; };
    const Case cases[] = {
        {"C", {}, "The controller answered ER.\n"},
        {"ja_JP.UTF-8", {}, "JPN controller ER\n"},
        {"ja_JP.UTF-8", {"--language", "english"}, "The controller answered ER.\n"},
        {"C", {"--language", "japanese"}, "JPN controller ER\n"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = c.flags;
        args.insert(args.end(), {"--host", host, "send", "BANK", "99"});
        ChildResult r = run(args, {"LC_ALL=", "LC_MESSAGES=", std::string("LANG=") + c.lang});
        EXPECT_EQ(r.exitCode, 1) << c.lang;
        EXPECT_EQ(r.err, c.err) << c.lang;
    }
    EXPECT_EQ(folder.read("Setting.ini"), settings);
    EXPECT_EQ(run({"--language", "klingon", "capture"}).exitCode, 2);

    // The socket's reasons speak the same language.
    ChildResult refused = run({"--host", "127.0.0.1:1", "capture"}, {"LC_ALL=", "LC_MESSAGES=", "LANG=ja_JP.UTF-8"});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(refused.err.find("Connection refused"), std::string::npos) << refused.err;
}

// An address that cannot be reached fails at once, with the reason.
TEST_F(Plnctl, UnreachableAddressFailsAtOnceWithTheReason)
{
    int freePort = 0;
    {
        SimProcess sim({"--tcp", "0"});
        freePort = sim.tcpPort;
    } // nobody listens there any more
    struct Case { std::string host; std::string reason; };
    const Case cases[] = {
        {"127.0.0.1:" + std::to_string(freePort), "refused"},
        {"no-such-host.invalid", "not found"},
    };
    for (const Case& c : cases) {
        ChildResult r = run({"--host", c.host, "capture"}, {"LC_ALL=", "LC_MESSAGES=", "LANG=C"});
        EXPECT_EQ(r.exitCode, 1) << c.host;
        EXPECT_NE(r.err.find("plnctl: cannot connect to " + c.host + ": "), std::string::npos) << r.err;
        EXPECT_NE(r.err.find(c.reason), std::string::npos) << r.err;
        EXPECT_LT(r.wallSeconds, 3.0) << c.host;
    }
}

TEST_F(Plnctl, HelpAndVersion)
{
    ChildResult help = run({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    for (const char* word : {"--program-folder", "--com", "--device", "--settings", "--host", "--delimiter",
                             "--language", "--version", "convert", "send", "capture", "bank select", "group select",
                             "measure", "result", "xmodem"})
        EXPECT_NE(help.out.find(word), std::string::npos) << word;
    ChildResult version = run({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out.rfind("plnctl ", 0), 0u) << version.out;
}
