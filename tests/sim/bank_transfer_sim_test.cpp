// Banks, bank groups and system data against plnsim over loopback TCP and its pseudo-terminal:
// round trips, and every fault the simulator can make, with the operations as the menus run
// them (the window replaced by a recording view).
#include "recording_operation_view.h"
#include "scripted_file_dialogs.h"
#include "sim_link_fixture.h"
#include "sim_process.h"

#include "operations/bank_operations.h"

#include <QCoreApplication>

#include <filesystem>

namespace fs = std::filesystem;

namespace {

void writeBankMessages(const TempFolder& folder)
{
    folder.write("MessageENG.ini",
                 "[Message]\r\n1=Done.@64\r\n12=Not found.@48\r\n21=No link.@16\r\n22=No valid reply.@16\r\n"
                 "301=%1 hung up.@16\r\n302=Damaged blocks on %1.@16\r\n"
                 "23=Timed out.@16\r\n24=ER.@48\r\n"
                 "[Label]\r\n4=Received\r\n5=bytes\r\n6=Preparing\r\n7=Command\r\n8=Sending\r\n9=Receiving\r\n"
                 "51=All files (*.*)\r\n53=System data (*.SYS)\r\n54=Bank data (*.BNK)\r\n57=Bank group data (*.BNG)\r\n");
    for (const char* f : {"BANK", "BANKGRP", "SYSTEM"})
        fs::create_directories(folder / f);
}

// Every byte value, CR and 255 among them, over an odd length.
std::string backupBytes(size_t length, int seed)
{
    std::string s(length, '\0');
    for (size_t i = 0; i < length; ++i)
        s[i] = char((i * 7 + size_t(seed)) & 0xFF);
    return s;
}

std::string padded(std::string s)
{
    s.resize((s.size() + 127) / 128 * 128, '\xff');
    return s;
}

enum class Wire { Tcp, Pty };

class BankSim : public SimLinkFixture {
protected:
    BankSim() { writeBankMessages(folder); }

    // Starts plnsim with extra flags and points the link at it.
    void start(Wire wire, std::vector<std::string> flags = {})
    {
        if (wire == Wire::Tcp) {
            flags.insert(flags.begin(), {"--tcp", "0"});
            sim.emplace(flags);
            link.socket().setRemote("127.0.0.1", uint16_t(sim->tcpPort));
            state.gLinkMode = kLinkLan;
        } else {
            const std::string device = (folder / "com1").string();
            flags.insert(flags.begin(), {"--pty", device});
            sim.emplace(flags);
            useSerial(device);
        }
    }

    bool save(const BackupTarget& t, const fs::path& file)
    {
        dialogs.choose(file);
        return saveBackup(ctx, t);
    }
    bool load(const BackupTarget& t, const fs::path& file)
    {
        dialogs.choose(file);
        return loadBackup(ctx, t);
    }

    size_t filesIn(const char* sub) const
    {
        return size_t(std::distance(fs::directory_iterator(folder / sub), {}));
    }

    RecordingOperationView view;
    ScriptedFileDialogs dialogs;
    OperationContext ctx{link, view, dialogs};
    std::optional<SimProcess> sim;
};

TEST_F(BankSim, LoadThenSaveGivesBackTheSameBytesPaddedTo128)
{
    for (Wire wire : {Wire::Tcp, Wire::Pty}) {
        SCOPED_TRACE(wire == Wire::Tcp ? "TCP" : "pseudo-terminal");
        start(wire);
        const std::vector<std::pair<BackupTarget, size_t>> targets = {
            {{BackupTarget::Kind::Bank, 9}, 1000},
            {{BackupTarget::Kind::BankGroup, 31}, 129},
            {BackupTarget::system(), 2560},
        };
        for (const auto& [t, length] : targets) {
            SCOPED_TRACE(t.saveCommand());
            const std::string data = backupBytes(length, t.number + int(length));
            const fs::path in = folder / t.folderName() / ("in" + t.extension());
            const fs::path out = folder / t.folderName() / ("out" + t.extension());
            std::ofstream(in, std::ios::binary) << data;
            ASSERT_TRUE(load(t, in));
            ASSERT_TRUE(save(t, out));
            EXPECT_EQ(folder.read(fs::relative(out, folder.path()).string()), padded(data));
            EXPECT_EQ(folder.read(fs::relative(in, folder.path()).string()), data);  // a load leaves its file
        }
        EXPECT_TRUE(prompter.shown.empty());
        EXPECT_TRUE(view.mainEnabled);
        if (wire == Wire::Pty)
            link.channel().fncCloseComPort();
        sim.reset();
    }
}

// A fault of the simulator, the operation it hits, and how that operation must end.
struct FaultCase {
    const char* name;
    Wire wire;
    std::vector<std::string> flags;
    bool save;              // the tool receives (save) or sends (load)
    bool succeeds;
    std::vector<long> boxes;
};

TEST_F(BankSim, EveryFaultEndsCleanlyWithThePreviousBackupKept)
{
    const Wire T = Wire::Tcp;
    const Wire P = Wire::Pty;
    // Left out for their length, not their result: on either link a checksum-only sender costs
    // the receiver three 10-second "C" waits, a save from a stalled controller five 10-second
    // block waits (the fake-clock tests hold both), and a cancel that the receiver's NAK clears
    // away half-way ends in its time-outs.
    const std::vector<FaultCase> cases = {
        {"corrupted block, resent", T, {"--corrupt-block", "2"}, true, true, {}},
        {"corrupted block on the serial line", P, {"--corrupt-block", "2"}, true, true, {}},
        {"save with blocks sent twice", T, {"--nak-count", "2"}, true, true, {}},
        {"load with blocks refused twice", T, {"--nak-count", "2"}, false, true, {}},
        {"load with blocks refused twice on the serial line", P, {"--nak-count", "2"}, false, true, {}},
        {"load with checksums only", T, {"--checksum-only"}, false, true, {}},
        {"save cancelled by the controller", T, {"--cancel-after", "2"}, true, false, {}},
        // The controller's closing "ER" turns the cancel into a failure with its message.
        {"load cancelled by the controller", T, {"--cancel-after", "2"}, false, false, {22}},
        {"load cancelled on the serial line", P, {"--cancel-after", "2"}, false, false, {}},
        {"load stalled by the controller", T, {"--stall-after", "2"}, false, false, {22}},
        // The controller hanging up is said with its address, not as a missing reply.
        {"save with the connection dropped", T, {"--drop-after", "1000"}, true, false, {301}},
        {"load with the connection dropped", T, {"--drop-after", "1000"}, false, false, {301}},
    };
    const BackupTarget bank{BackupTarget::Kind::Bank, 20};
    const std::string previous = "the previous backup\r\n\xff";
    const std::string toLoad = backupBytes(3000, 1);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        prompter.shown.clear();
        start(c.wire, c.flags);
        folder.write("BANK/B20.BNK", previous);
        folder.write("BANK/IN.BNK", toLoad);
        const bool ok = c.save ? save(bank, folder / "BANK/B20.BNK") : load(bank, folder / "BANK/IN.BNK");
        EXPECT_EQ(ok, c.succeeds);
        EXPECT_EQ(boxes(), c.boxes);
        EXPECT_TRUE(view.mainEnabled);
        EXPECT_FALSE(view.shown);
        if (c.save && !c.succeeds)
            EXPECT_EQ(folder.read("BANK/B20.BNK"), previous);
        if (c.save && c.succeeds)
            EXPECT_EQ(folder.read("BANK/B20.BNK").size(), size_t((3000 + 17 * 20 + 127) / 128 * 128));
        EXPECT_EQ(folder.read("BANK/IN.BNK"), toLoad);
        EXPECT_EQ(filesIn("BANK"), 2u);  // no temporary file left
        // The link is back in command mode.
        EXPECT_EQ(link.fncSendCommand("BANK 3"), "OK");
        if (c.wire == Wire::Pty)
            link.channel().fncCloseComPort();
        sim.reset();
    }
}

TEST_F(BankSim, StopDuringASaveKeepsThePreviousBackupAndTheLink)
{
    for (Wire wire : {Wire::Tcp, Wire::Pty}) {
        SCOPED_TRACE(wire == Wire::Tcp ? "TCP" : "pseudo-terminal");
        prompter.shown.clear();
        start(wire, {"--stall-after", "3"});
        folder.write("SYSTEM/S.SYS", "previous");
        // Stop is pressed as soon as the data starts to come.
        view.onEvent = [&](const std::string& e) {
            if (e == "step 9")
                state.gStopRequest = -1;
        };
        EXPECT_FALSE(save(BackupTarget::system(), folder / "SYSTEM/S.SYS"));
        view.onEvent = nullptr;
        EXPECT_TRUE(prompter.shown.empty());
        EXPECT_EQ(folder.read("SYSTEM/S.SYS"), "previous");
        EXPECT_EQ(filesIn("SYSTEM"), 1u);
        EXPECT_EQ(link.fncSendCommand("BG 1"), "OK");
        if (wire == Wire::Pty)
            link.channel().fncCloseComPort();
        sim.reset();
    }
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
