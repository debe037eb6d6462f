// plnctl against the simulator: replies, exit codes, messages on stderr, an idle wait.
#include "child_process.h"
#include "link_fixture.h"
#include "sim_process.h"

#include <gtest/gtest.h>

namespace {

class Plnctl : public ::testing::Test {
protected:
    Plnctl()
    {
        writeTestMessages(folder);
        writeTestSettings(folder);
    }
    ChildResult run(std::vector<std::string> args, const std::vector<std::string>& env = {})
    {
        args.insert(args.begin(), {"--program-folder", folder.path().string()});
        return runChild(PLNCTL_PATH, args, env);
    }
    TempFolder folder;
};

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
