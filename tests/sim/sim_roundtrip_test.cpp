// The tool's transfer control against plnsim over loopback TCP and a pseudo-terminal: two
// independent XMODEM implementations checking each other.
#include "controller_data.h"
#include "sim_link_fixture.h"
#include "sim_process.h"
#include "test_picture.h"

#include "image/pln_file.h"
#include "link/device_link.h"
#include "link/link_error.h"
#include "xmodem/transfer_control.h"

#include <QCoreApplication>

#include <chrono>

namespace {

std::string padded(std::string s)
{
    s.resize((s.size() + 127) / 128 * 128, char(0xFF));
    return s;
}

struct NoReporter : ImageReporter {
    void showError(const std::string& d) override { errors += d; }
    void showMessage(const std::string&, int, const std::string& d) override { errors += d; }
    std::string errors;
};

class SimRoundTrip : public SimLinkFixture {
protected:
    SimRoundTrip()
    {
        folder.write("MessageENG.ini", "[Message]\r\n21=No link.@48\r\n22=No valid reply.@16\r\n"
                                       "23=Timed out.@16\r\n24=ER.@48\r\n[Label]\r\n4=Received\r\n5=bytes\r\n");
    }
    // Loads a bank and saves it again; then downloads image 7 and reads it as the tool does.
    void loadSaveAndDownload()
    {
        std::string file;
        for (int i = 0; i < 1000; ++i)
            file += i % 50 == 0 ? std::string("\r\n\xff") : std::string(1, char(i * 13));
        folder.write("up.BNK", file);
        ASSERT_EQ(link.fncSendCommand("BNKLOAD 0 4"), "READY");
        EXPECT_TRUE(control.fncSendFile(folder / "up.BNK"));
        ASSERT_EQ(link.fncSendCommand("BNKSAVE 0 4"), "READY");
        EXPECT_TRUE(control.fncReceiveFile(folder / "down.BNK"));
        EXPECT_EQ(folder.read("down.BNK"), padded(file));

        ASSERT_EQ(link.fncSendCommand("IMGSAVE 0 7"), "READY");
        ASSERT_TRUE(control.fncReceiveFile(folder / "tmp.bin"));
        EXPECT_EQ(folder.read("tmp.bin"), padded(testPictureFile(7)));
        ImageWorkspace ws;
        NoReporter reporter;
        ASSERT_TRUE(fncReadFile_PLN(ws, folder / "tmp.bin", reporter)) << reporter.errors;
        EXPECT_EQ(ws.sensorImage.plnHeader.width, 608);
        EXPECT_EQ(ws.sensorImage.plnHeader.height, 464);
        std::array<uint8_t, 4> check{};
        std::string error;
        ASSERT_TRUE(computeCheckBytes(ws.sensorImage, check, error));
        EXPECT_EQ(ws.sensorImage.checkBytes, check);

        EXPECT_EQ(link.fncSendCommand("CAPTURE"), "OK"); // the link is back in command mode
        EXPECT_EQ(boxes(), std::vector<long>{});
    }

    PlainTransferView view;
    TransferControl control{link, view};
};

} // namespace

TEST_F(SimRoundTrip, OverTcp)
{
    SimProcess sim({"--tcp", "0"});
    useLan(sim.tcpPort);
    loadSaveAndDownload();
}

TEST_F(SimRoundTrip, OverThePseudoTerminal)
{
    std::string linkPath = (folder / "com1").string();
    SimProcess sim({"--pty", linkPath});
    useSerial(linkPath);
    loadSaveAndDownload();
}

// Whatever the end of a transfer, the next command gets its own reply: the closing line of a
// failed transfer is not left behind, and a stalled controller is told the transfer is over.
TEST_F(SimRoundTrip, TheToolRidesOutTheSimulatorsFaultsOverTcp)
{
    enum class End { Status, SocketTimeOut };
    struct Case {
        std::vector<std::string> flags;
        bool sending;
        bool stopFirst;  // Stop pressed before the transfer begins
        End end;
        bool ok;
        int status;
        std::vector<long> boxes;
    };
    const Case cases[] = {
        {{"--corrupt-block", "2"}, false, false, End::Status, true, kXmComplete, {}},
        {{"--nak-count", "3"}, false, false, End::Status, true, kXmComplete, {}},
        {{"--cancel-after", "1"}, false, false, End::Status, false, kXmCancelled, {}},
        {{"--cancel-after", "1"}, true, false, End::Status, false, kXmFailed, {22}},
        {{}, true, true, End::Status, false, kXmStopped, {}},
        // A stalled receiver: the sender's byte wait runs out after 10 s (a stalled sender
        // would cost five 10-second block waits, which the fake-clock tests hold).
        {{"--stall-after", "1"}, true, false, End::SocketTimeOut, false, kXmNoStatus, {}},
    };
    const std::string bank = padded(ControllerData::initialContents("BNK", 9));
    for (const Case& c : cases) {
        std::string name = (c.flags.empty() ? std::string("stop") : c.flags[0]) + (c.sending ? " send" : " receive");
        SCOPED_TRACE(name);
        std::vector<std::string> args{"--tcp", "0"};
        args.insert(args.end(), c.flags.begin(), c.flags.end());
        SimProcess sim(args);
        useLan(sim.tcpPort);
        std::filesystem::remove(folder / "down.BNK");
        folder.write("up.BNK", std::string(1000, 'b'));
        ASSERT_EQ(link.fncSendCommand(c.sending ? "BNKLOAD 0 9" : "BNKSAVE 0 9"), "READY");
        state.gStopRequest = c.stopFirst ? -1 : 0;
        bool ok = false;
        bool timedOut = false;
        try {
            ok = c.sending ? control.fncSendFile(folder / "up.BNK") : control.fncReceiveFile(folder / "down.BNK");
        } catch (const LinkError& e) {
            timedOut = e.number() == kErrSockTimeout;
        }
        state.gStopRequest = 0;
        EXPECT_EQ(timedOut, c.end == End::SocketTimeOut);
        EXPECT_EQ(ok, c.ok);
        EXPECT_EQ(control.lastStatus(), c.status);
        if (c.ok)
            EXPECT_EQ(folder.read("down.BNK"), bank);
        EXPECT_EQ(boxes(), c.boxes);
        EXPECT_EQ(link.fncSendCommand("BANK 1"), "OK");
        EXPECT_EQ(boxes(), std::vector<long>{});
        link.socket().close();
    }
}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

// A LAN controller that needs 3 s before its first packet or start request and 1.5 s before
// each ACK: download, upload, bank save and bank load all go through. The only real-time
// delays of the suite; the files are the smallest that show it.
TEST_F(SimRoundTrip, ASlowControllerOnTheLanStillTransfers)
{
    using Clock = std::chrono::steady_clock;
    {
        // Sending with its ACK delay on every packet would take 1.5 s a block: the controller's
        // own packets come with the start delay only.
        SimProcess sim({"--tcp", "0", "--start-delay", "3000"});
        useLan(sim.tcpPort);
        ASSERT_EQ(link.fncSendCommand("IMGSAVE 0 7"), "READY");
        auto begun = Clock::now();
        ASSERT_TRUE(control.fncReceiveFile(folder / "tmp.bin"));
        EXPECT_GE(Clock::now() - begun, std::chrono::milliseconds(3000));
        EXPECT_EQ(folder.read("tmp.bin"), padded(testPictureFile(7)));
        ASSERT_EQ(link.fncSendCommand("BNKSAVE 0 9"), "READY");
        ASSERT_TRUE(control.fncReceiveFile(folder / "down.BNK"));
        EXPECT_EQ(folder.read("down.BNK"), padded(ControllerData::initialContents("BNK", 9)));
    }
    {
        SimProcess sim({"--tcp", "0", "--start-delay", "3000", "--ack-delay", "1500"});
        useLan(sim.tcpPort);
        folder.write("up.bin", std::string(100, '\xff'));
        ASSERT_EQ(link.fncSendCommand("IMGLOAD"), "OK");
        auto begun = Clock::now();
        ASSERT_TRUE(control.fncSendFile(folder / "up.bin"));
        // The start request, then the ACK of the block and of the EOT.
        EXPECT_GE(Clock::now() - begun, std::chrono::milliseconds(3000 + 2 * 1500));
        ASSERT_EQ(link.fncSendCommand("BNKLOAD 0 4"), "READY");
        ASSERT_TRUE(control.fncSendFile(folder / "up.bin"));
        EXPECT_EQ(link.fncSendCommand("CAPTURE"), "OK");
    }
    EXPECT_EQ(boxes(), std::vector<long>{});
}
