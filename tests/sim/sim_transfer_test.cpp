// plnsim's transfers as a process: a scripted tool side over TCP and the pseudo-terminal,
// lrzsz's rx and sx on the pseudo-terminal, and each fault option.
#include "child_process.h"
#include "controller_data.h"
#include "sim_process.h"
#include "temp_folder.h"
#include "test_picture.h"
#include "xmodem_peer_script.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

namespace {

std::string padded(std::string s, char pad)
{
    s.resize((s.size() + 127) / 128 * 128, pad);
    return s;
}

// A file with every byte value, CR LF pairs and runs of 255 in it.
std::string awkwardFile(size_t size)
{
    std::string s;
    for (size_t i = 0; s.size() < size; ++i)
        s += i % 97 == 0 ? std::string("\r\n\xff\xff\r\0", 6) : std::string(1, char(i * 31));
    s.resize(size);
    return s;
}

// lrzsz on the pseudo-terminal. rx drops its last ACK when it exits straight on a terminal,
// so both run behind socat, which writes everything out before it closes (and, with -t 0.1,
// does not linger once they are done).
ChildResult lrzsz(const TempFolder& folder, const std::string& device, const std::string& command)
{
    return runChild("/bin/sh", {"-c", "cd '" + folder.path().string() + "' && exec socat -t 0.1 " + device +
                                          ",raw,echo=0 EXEC:'" + command + "'"});
}

double processorSecondsOf(pid_t pid)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::istringstream fields(stat.substr(stat.rfind(')') + 2));
    std::string f;
    double ticks = 0;
    for (int i = 3; i <= 15 && fields >> f; ++i)
        if (i == 14 || i == 15)
            ticks += std::stod(f);
    return ticks / double(sysconf(_SC_CLK_TCK));
}

} // namespace

TEST(SimTransfer, TcpTransfersAreStuffedAndEndWithTheClosingLine)
{
    TempFolder folder;
    SimProcess sim({"--tcp", "0"});
    ScriptPeer tool = ScriptPeer::tcp(sim.tcpPort);
    ASSERT_TRUE(tool.ok());

    std::string ending;
    tool.send("BNKSAVE 0 5\r\n");
    EXPECT_EQ(tool.line(&ending), "READY");
    EXPECT_EQ(ending, "\r\n");
    ScriptPeer::Received bank = tool.receive('C');
    EXPECT_TRUE(bank.done);
    EXPECT_EQ(bank.data, padded(ControllerData::initialContents("BNK", 5), char(0xFF)));
    EXPECT_EQ(tool.stuffingErrors, 0);
    EXPECT_NE(tool.raw.find(std::string("\xff\xff", 2)), std::string::npos);
    EXPECT_NE(tool.raw.find(std::string("\r\0", 2)), std::string::npos);
    EXPECT_EQ(tool.line(&ending), "OK");
    EXPECT_EQ(ending, "\r\n");

    // Loading in the tool's 289-byte frames, then saving gives the bytes back.
    const std::string file = awkwardFile(1000);
    EXPECT_EQ(tool.command("BNKLOAD 0 5", "\r"), "READY");
    EXPECT_TRUE(tool.sendFile(file).done);
    EXPECT_EQ(tool.line(&ending), "OK");
    EXPECT_EQ(ending, "\r");
    EXPECT_EQ(tool.command("BNKSAVE 0 5", "\n"), "READY");
    EXPECT_EQ(tool.receive(xm::kNak).data, padded(file, char(0xFF)));
    EXPECT_EQ(tool.line(), "OK");

    EXPECT_EQ(tool.command("IMGSAVE 0 -1"), "READY");
    ScriptPeer::Received image = tool.receive('C');
    EXPECT_EQ(image.data, padded(testPictureFile(-1), char(0xFF)));
    EXPECT_EQ(tool.line(), "OK");

    // An upload becomes the live image; the numbered ones stay.
    std::vector<uint8_t> frame(608 * 464);
    for (size_t i = 0; i < frame.size(); ++i)
        frame[i] = uint8_t(i % 251);
    EXPECT_EQ(tool.command("IMGLOAD"), "OK");
    EXPECT_TRUE(tool.sendFile(std::string(frame.begin(), frame.end())).done);
    EXPECT_EQ(tool.line(), "OK");
    EXPECT_EQ(tool.command("IMGSAVE 0 -1"), "READY");
    EXPECT_EQ(tool.receive('C').data, padded(plnFileOf(withReportedGains(frame)), char(0xFF)));
    EXPECT_EQ(tool.line(), "OK");

    // The tool's stop: ten CAN; the transfer ends at the second and the rest is not a command.
    EXPECT_EQ(tool.command("SYSSAVE 0"), "READY");
    tool.send("C");
    EXPECT_EQ(tool.byte(), xm::kSoh);
    tool.send(std::string(10, xm::kCan));
    std::string rest;
    while (rest.find("ER\r") == std::string::npos && tool.rawByte() >= 0)
        rest = tool.raw.substr(tool.raw.size() - std::min<size_t>(tool.raw.size(), 3));
    EXPECT_EQ(rest, "ER\r");
    EXPECT_EQ(tool.command("CAPTURE"), "OK");
}

TEST(SimTransfer, PseudoTerminalTransfersWithLrzsz)
{
    TempFolder folder;
    std::string link = (folder / "com1").string();
    SimProcess sim({"--pty", link});
    auto command = [&](const std::string& cmd) {
        ScriptPeer tool = ScriptPeer::pty(link);
        return tool.command(cmd);
    };
    struct Case { const char* command; const char* rx; std::string expected; };
    const Case cases[] = {
        {"BGRSAVE 0 31", "rx -c -q got.bin", padded(ControllerData::initialContents("BGR", 31), char(0xFF))},
        {"SYSSAVE 0", "rx -q got.bin", padded(ControllerData::initialContents("SYS", 0), char(0xFF))},
        {"IMGSAVE 0 42", "rx -c -q got.bin", padded(testPictureFile(42), char(0xFF))},
    };
    for (const Case& c : cases) {
        std::filesystem::remove(folder / "got.bin");
        ASSERT_EQ(command(c.command), "READY") << c.command;
        ChildResult r = lrzsz(folder, link, c.rx);
        EXPECT_EQ(r.exitCode, 0) << c.command << r.err;
        EXPECT_EQ(folder.read("got.bin"), c.expected) << c.command;
    }
    // sx pads with 0x1A; what the controller keeps is what it received.
    const std::string file = awkwardFile(700);
    folder.write("up.bin", file);
    ASSERT_EQ(command("SYSLOAD 0"), "READY");
    ChildResult sent = lrzsz(folder, link, "sx -q up.bin");
    EXPECT_EQ(sent.exitCode, 0) << sent.err;
    ASSERT_EQ(command("SYSSAVE 0"), "READY");
    std::filesystem::remove(folder / "got.bin");
    EXPECT_EQ(lrzsz(folder, link, "rx -c -q got.bin").exitCode, 0);
    EXPECT_EQ(folder.read("got.bin"), padded(file, 0x1A));
    // No closing line on the serial link: the next reply is the next command's.
    EXPECT_EQ(command("CAPTURE"), "OK");
}

TEST(SimTransfer, DataFolderKeepsLoadedDataForTheNextRun)
{
    TempFolder folder;
    const std::string file = awkwardFile(300);
    {
        SimProcess sim({"--tcp", "0", "--data", (folder / "data").string()});
        ScriptPeer tool = ScriptPeer::tcp(sim.tcpPort);
        ASSERT_EQ(tool.command("BGRLOAD 0 2"), "READY");
        EXPECT_TRUE(tool.sendFile(file).done);
        EXPECT_EQ(tool.line(), "OK");
    }
    SimProcess sim({"--tcp", "0", "--data", (folder / "data").string()});
    ScriptPeer tool = ScriptPeer::tcp(sim.tcpPort);
    ASSERT_EQ(tool.command("BGRSAVE 0 2"), "READY");
    EXPECT_EQ(tool.receive('C').data, padded(file, char(0xFF)));
    ASSERT_EQ(tool.line(), "OK");
    ASSERT_EQ(tool.command("BGRSAVE 0 3"), "READY");
    EXPECT_EQ(tool.receive('C').data, padded(ControllerData::initialContents("BGR", 3), char(0xFF)));
}

TEST(SimTransfer, FaultOptionsOverTcp)
{
    const std::string bank = padded(ControllerData::initialContents("BNK", 1), char(0xFF));
    {
        SimProcess sim({"--tcp", "0", "--corrupt-block", "2"});
        ScriptPeer tool = ScriptPeer::tcp(sim.tcpPort);
        ASSERT_EQ(tool.command("BNKSAVE 0 1"), "READY");
        ScriptPeer::Received r = tool.receive('C');
        EXPECT_EQ(r.naks, 1);
        EXPECT_EQ(r.data, bank);
        EXPECT_EQ(tool.line(), "OK");
    }
    {
        SimProcess sim({"--tcp", "0", "--nak-count", "2"});
        ScriptPeer tool = ScriptPeer::tcp(sim.tcpPort);
        ASSERT_EQ(tool.command("BNKLOAD 0 1"), "READY");
        ScriptPeer::Sent s = tool.sendFile("abc");
        EXPECT_TRUE(s.done);
        EXPECT_EQ(s.naksReceived, 2);
        EXPECT_EQ(tool.line(), "OK");
        ASSERT_EQ(tool.command("BNKSAVE 0 1"), "READY"); // as sender: the first two ACKs count as NAK
        ScriptPeer::Received r = tool.receive('C');
        EXPECT_EQ(r.repeats, 2);
        EXPECT_EQ(r.data, padded("abc", char(0xFF)));
        EXPECT_EQ(tool.line(), "OK");
    }
    {
        SimProcess sim({"--tcp", "0", "--cancel-after", "3"});
        ScriptPeer tool = ScriptPeer::tcp(sim.tcpPort);
        ASSERT_EQ(tool.command("BNKSAVE 0 1"), "READY");
        ScriptPeer::Received r = tool.receive('C');
        EXPECT_TRUE(r.cancelled);
        EXPECT_EQ(r.data, bank.substr(0, 3 * 128));
        EXPECT_EQ(tool.line(), "ER");
        ASSERT_EQ(tool.command("SYSLOAD 0"), "READY");
        ScriptPeer::Sent s = tool.sendFile(awkwardFile(1000));
        EXPECT_TRUE(s.cancelled);
        EXPECT_EQ(tool.line(), "ER");
    }
    {
        SimProcess sim({"--tcp", "0", "--stall-after", "2"});
        ScriptPeer tool = ScriptPeer::tcp(sim.tcpPort);
        ASSERT_EQ(tool.command("BNKSAVE 0 1"), "READY");
        ScriptPeer::Received r = tool.receive('C', 700);
        EXPECT_EQ(r.end, -1); // silence
        EXPECT_EQ(r.data, bank.substr(0, 2 * 128));
        tool.send(std::string(2, xm::kCan)); // the tool gives up; no closing line
        EXPECT_EQ(tool.command("CAPTURE"), "OK");
    }
    {
        SimProcess sim({"--tcp", "0", "--checksum-only"});
        ScriptPeer tool = ScriptPeer::tcp(sim.tcpPort);
        ASSERT_EQ(tool.command("BNKSAVE 0 1"), "READY");
        tool.send("C");
        EXPECT_EQ(tool.byte(700), -1); // no answer to "C"
        ScriptPeer::Received r = tool.receive(xm::kNak);
        EXPECT_EQ(r.data, bank);
        EXPECT_EQ(tool.line(), "OK");
        ASSERT_EQ(tool.command("BNKLOAD 0 1"), "READY");
        ScriptPeer::Sent s = tool.sendFile("x");
        EXPECT_EQ(s.start, xm::kNak);
        EXPECT_TRUE(s.done);
    }
}

TEST(SimTransfer, DropAfterClosesTheLinkMidTransfer)
{
    TempFolder folder;
    std::string link = (folder / "com1").string();
    SimProcess sim({"--tcp", "0", "--pty", link, "--drop-after", "300"});
    {
        ScriptPeer tool = ScriptPeer::tcp(sim.tcpPort);
        ASSERT_EQ(tool.command("SYSSAVE 0"), "READY");
        ScriptPeer::Received r = tool.receive('C');
        EXPECT_EQ(r.end, -2); // the connection closed
        EXPECT_EQ(r.packets, 2);
        EXPECT_FALSE(r.done);
    }
    {
        ScriptPeer tool = ScriptPeer::pty(link);
        const auto before = std::filesystem::read_symlink(link);
        ASSERT_EQ(tool.command("SYSSAVE 0"), "READY");
        ScriptPeer::Received r = tool.receive('C');
        EXPECT_FALSE(r.done);
        EXPECT_NE(std::filesystem::read_symlink(link), before); // in place before the old one went
        EXPECT_LT(r.data.size(), 300u);
        EXPECT_EQ(tool.rawByte(300), -2); // the old terminal is gone
    }
    ScriptPeer again = ScriptPeer::pty(link); // the link leads to a new one
    EXPECT_EQ(again.command("CAPTURE"), "OK");
    ScriptPeer lan = ScriptPeer::tcp(sim.tcpPort);
    EXPECT_EQ(lan.command("CAPTURE"), "OK");
}

TEST(SimTransfer, BaudPacesThePseudoTerminalWithoutSpinning)
{
    TempFolder folder;
    std::string link = (folder / "com1").string();
    SimProcess sim({"--pty", link, "--baud", "96000"}); // 9600 bytes a second
    ScriptPeer tool = ScriptPeer::pty(link);
    ASSERT_EQ(tool.command("SYSSAVE 0"), "READY");
    double cpuBefore = processorSecondsOf(sim.pid());
    auto start = std::chrono::steady_clock::now();
    ScriptPeer::Received r = tool.receive('C');
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    ASSERT_TRUE(r.done);
    // 40 packets of 133 bytes and the EOT cannot cross a 9600 byte/s line in less than 0.55 s.
    EXPECT_GE(seconds, 40 * 133 / 9600.0);
    EXPECT_LT(processorSecondsOf(sim.pid()) - cpuBefore, 0.25);
}
