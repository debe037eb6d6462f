// plnctl's backup commands against the simulator: single saves and loads, the backup of all
// data and its restore, a manifest that does not match, and Ctrl+C during a transfer.
#include "plnctl_background.h"
#include "plnctl_fixture.h"
#include "sim_process.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <sstream>
#include <thread>
#include <map>
#include <cstring>
#include <sys/mount.h>
#include <sys/wait.h>

namespace fs = std::filesystem;

namespace {

using namespace plnctl_test;


class PlnctlBackup : public PlnctlFixture {
protected:
    static std::string host(const SimProcess& sim) { return "127.0.0.1:" + std::to_string(sim.tcpPort); }
};

TEST_F(PlnctlBackup, SaveAndLoadOverThePseudoTerminal)
{
    const std::string com = (folder / "com1").string();
    SimProcess sim({"--pty", com});
    const std::string data = std::string(200, 'd') + "\x18\x04\xff\r\n";
    folder.write("in.bin", data);
    const std::string padded = data + std::string(256 - data.size(), '\xff');
    for (std::vector<std::string> what : {std::vector<std::string>{"bank", "load", "31"},
                                          {"group", "load", "0"}, {"system", "load"}}) {
        SCOPED_TRACE(what[0]);
        auto load = what;
        load.insert(load.begin(), {"--device", com});
        load.push_back((folder / "in.bin").string());
        ChildResult r = run(load);
        ASSERT_EQ(r.exitCode, 0) << r.err;
        auto save = load;
        save[3] = "save";
        save.back() = (folder / "out.bin").string();
        r = run(save);
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(folder.read("out.bin"), padded);
        EXPECT_TRUE(r.err.empty()) << r.err;  // no progress lines when stderr is no terminal
    }
}

TEST_F(PlnctlBackup, UsageErrors)
{
    for (std::vector<std::string> args : {std::vector<std::string>{"bank", "save", "32", "f"},
                                          {"group", "load", "1"}, {"system", "save"}, {"system", "copy", "f"},
                                          {"backup"}, {"restore", "a", "b"}}) {
        ChildResult r = run(args);
        EXPECT_EQ(r.exitCode, 2) << args[0];
    }
}

TEST_F(PlnctlBackup, BackupThenRestoreIntoAFreshControllerGivesTheSameSaves)
{
    const fs::path first = folder / "first";
    const fs::path second = folder / "second";
    // Over the pseudo-terminal: on TCP each load waits a second for the closing line's tail.
    const std::string com1 = (folder / "com1").string();
    const std::string com2 = (folder / "com2").string();
    {
        SimProcess sim({"--pty", com1});
        // Data of our own, so the restore has something to carry.
        folder.write("mine.bnk", std::string(300, 'b'));
        folder.write("mine.sys", std::string(128, 's'));
        ASSERT_EQ(run({"--device", com1, "bank", "load", "3", (folder / "mine.bnk").string()}).exitCode, 0);
        ASSERT_EQ(run({"--device", com1, "system", "load", (folder / "mine.sys").string()}).exitCode, 0);
        ChildResult r = run({"--device", com1, "backup", first.string()});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        // Through a pipe: one line per file, then the summary.
        std::istringstream err(r.err);
        std::vector<std::string> lines;
        for (std::string line; std::getline(err, line);)
            lines.push_back(line);
        ASSERT_EQ(lines.size(), 66u) << r.err;
        EXPECT_EQ(lines[3], "4/65 BANK/BANK03.BNK  384 bytes");
        EXPECT_EQ(lines[39].rfind("40/65 BANKGRP/BG07.BNG  ", 0), 0u) << lines[39];
        EXPECT_EQ(lines[64].rfind("65/65 SYSTEM/SYSTEM.SYS  128 bytes", 0), 0u) << lines[64];
        EXPECT_EQ(lines[65].rfind("65 files, ", 0), 0u) << lines[65];
        // -q: nothing.
        r = run({"--device", com1, "backup", "-q", (folder / "quiet").string()});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.err, "");
    }
    EXPECT_EQ(readFile(first / "BANK/BANK03.BNK"), std::string(300, 'b') + std::string(84, '\xff'));
    EXPECT_EQ(readFile(first / "SYSTEM/SYSTEM.SYS"), std::string(128, 's'));
    {
        SimProcess sim({"--pty", com2});
        ChildResult r = run({"--device", com2, "restore", first.string()});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        r = run({"--device", com2, "backup", second.string()});
        ASSERT_EQ(r.exitCode, 0) << r.err;
    }
    const std::string manifest = readFile(first / "MANIFEST.txt");
    EXPECT_EQ(std::count(manifest.begin(), manifest.end(), '\n'), 1 + 32 + 32 + 1);
    EXPECT_EQ(readFile(second / "MANIFEST.txt"), manifest);
    for (const char* f : {"BANK/BANK03.BNK", "BANK/BANK31.BNK", "BANKGRP/BG00.BNG", "SYSTEM/SYSTEM.SYS"})
        EXPECT_EQ(readFile(second / f), readFile(first / f)) << f;
}

TEST_F(PlnctlBackup, RestoreRefusesAManifestThatDoesNotMatchBeforeSendingAnything)
{
    const fs::path saved = folder / "saved";
    {
        SimProcess sim({"--tcp", "0"});
        ASSERT_EQ(run({"--host", host(sim), "backup", saved.string()}).exitCode, 0);
    }
    const std::string manifest = readFile(saved / "MANIFEST.txt");
    const size_t bank5 = manifest.find("BANK/BANK05.BNK");
    const size_t line5 = manifest.rfind('\n', bank5) + 1;
    struct Case {
        const char* name;
        std::function<void(const fs::path&)> tamper;
    };
    auto writeManifest = [](const fs::path& dir, const std::string& text) {
        std::ofstream(dir / "MANIFEST.txt", std::ios::binary | std::ios::trunc) << text;
    };
    const std::vector<Case> cases = {
        {"a changed hash", [&](const fs::path& d) {
             std::string m = manifest;
             m[line5] = m[line5] == '0' ? '1' : '0';
             writeManifest(d, m);
         }},
        {"a changed file", [&](const fs::path& d) { std::ofstream(d / "BANK/BANK05.BNK", std::ios::app) << "x"; }},
        {"a missing file", [&](const fs::path& d) { fs::remove(d / "BANKGRP/BG07.BNG"); }},
        {"a missing line", [&](const fs::path& d) {
             writeManifest(d, manifest.substr(0, line5) + manifest.substr(manifest.find('\n', bank5) + 1));
         }},
        {"a file from elsewhere", [&](const fs::path& d) {
             writeManifest(d, manifest + std::string(64, '0') + " 0 ../../etc/passwd\n");
         }},
        {"no manifest", [&](const fs::path& d) { fs::remove(d / "MANIFEST.txt"); }},
        {"a shorter file", [&](const fs::path& d) { fs::resize_file(d / "SYSTEM/SYSTEM.SYS", 128); }},
        {"an empty file listed as empty", [&](const fs::path& d) {
             std::ofstream(d / "BANK/BANK05.BNK", std::ios::trunc);
             writeManifest(d, manifest.substr(0, line5) +
                                  "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855 0 BANK/BANK05.BNK" +
                                  manifest.substr(manifest.find('\n', bank5)));
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path copy = folder / "copy";
        fs::remove_all(copy);
        fs::copy(saved, copy, fs::copy_options::recursive);
        c.tamper(copy);
        // The controller keeps what it is sent in its data folder: nothing must arrive.
        const fs::path data = folder / "controller";
        fs::remove_all(data);
        fs::create_directories(data);
        SimProcess sim({"--tcp", "0", "--data", data.string()});
        ChildResult r = run({"--host", host(sim), "restore", copy.string()});
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_NE(r.err.find("nothing was loaded"), std::string::npos) << r.err;
        sim.kill();
        EXPECT_TRUE(fs::is_empty(data));
    }
}

class PlnctlWholeBackup : public PlnctlBackup {
protected:
    PlnctlWholeBackup()
    {
        fs::create_directories(backups);
        // A complete backup to lose.
        SimProcess sim({"--tcp", "0"});
        ChildResult r = run({"--host", host(sim), "backup", dir.string()});
        EXPECT_EQ(r.exitCode, 0) << r.err;
        before = snapshot(dir);
    }
    // A backup against a controller that stalls after 25 blocks of a transfer (banks 0 to 4
    // are 24 blocks long and arrive whole), signalled once bank 4 is in the new backup.
    int interruptedBackup(SimProcess& sim, int signalNumber)
    {
        Background plnctl(folder.path(), {"--host", host(sim), "backup", dir.string()}, folder / "err.txt");
        EXPECT_TRUE(waitForFileBeside(dir, ".DIR.plntool-new-", "BANK/BANK04.BNK"));
        if (signalNumber)
            plnctl.signal(signalNumber);
        return plnctl.wait(std::chrono::seconds(20));
    }
    fs::path backups = folder / "backups";
    fs::path dir = backups / "DIR";
    std::map<std::string, std::string> before;
};

TEST_F(PlnctlWholeBackup, AStopASignalOrAFailureMidwayKeepsThePreviousBackupByteForByte)
{
    ASSERT_EQ(before.size(), 3u + 65u + 1u);
    struct Case {
        int signal;
        int status;
    };
    // 0: no signal, the controller cancels the transfer and the backup fails on its own (a
    // stall would take the transfer's minute without progress).
    for (Case c : {Case{SIGINT, 130}, Case{SIGTERM, 143}, Case{SIGHUP, 129}, Case{0, 1}}) {
        SCOPED_TRACE(c.signal);
        SimProcess sim({"--tcp", "0", c.signal ? "--stall-after" : "--cancel-after", "25"});
        EXPECT_EQ(interruptedBackup(sim, c.signal), c.status);
        EXPECT_NE(readFile(folder / "err.txt").find("the previous backup in " + dir.string() + " is unchanged"),
                  std::string::npos)
            << readFile(folder / "err.txt");
        EXPECT_EQ(snapshot(dir), before);
        EXPECT_EQ(namesIn(backups), std::vector<std::string>{"DIR"});
        EXPECT_EQ(run({"--host", host(sim), "bank", "select", "1"}).exitCode, 0);
    }
}

TEST_F(PlnctlWholeBackup, AfterAKillTheBackupStillRestoresAndTheNextRunClearsWhatWasLeft)
{
    {
        SimProcess sim({"--tcp", "0", "--stall-after", "25"});
        EXPECT_EQ(interruptedBackup(sim, SIGKILL), 128 + SIGKILL);
    }
    EXPECT_EQ(snapshot(dir), before);
    EXPECT_EQ(namesIn(backups).size(), 2u);  // the killed run's new backup beside DIR
    SimProcess sim({"--tcp", "0"});
    ChildResult r = run({"--host", host(sim), "restore", dir.string()});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(namesIn(backups), std::vector<std::string>{"DIR"});
    // A backup over it replaces it whole.
    r = run({"--host", host(sim), "backup", dir.string()});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(snapshot(dir), before);
    EXPECT_EQ(namesIn(backups), std::vector<std::string>{"DIR"});
}

TEST_F(PlnctlBackup, SignalsStopTheTransferKeepThePreviousFileAndSetTheExitStatus)
{
    SimProcess sim({"--tcp", "0", "--stall-after", "3"});
    folder.write("keep.bnk", "previous");
    for (auto [number, status] : {std::pair{SIGINT, 130}, {SIGTERM, 143}, {SIGHUP, 129}}) {
        SCOPED_TRACE(number);
        Background plnctl(folder.path(), {"--host", host(sim), "bank", "save", "5", (folder / "keep.bnk").string()},
                          folder / "err.txt");
        // The stall holds the transfer in its wait for the next block; the block's time limit
        // would end it after ten seconds.
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        plnctl.signal(number);
        EXPECT_EQ(plnctl.wait(std::chrono::seconds(10)), status);
        EXPECT_EQ(folder.read("keep.bnk"), "previous");
        size_t files = 0;
        for (const auto& e : fs::directory_iterator(folder.path()))
            files += e.path().filename().string().find("keep") != std::string::npos;
        EXPECT_EQ(files, 1u);
        EXPECT_EQ(run({"--host", host(sim), "bank", "select", "1"}).exitCode, 0);
    }
}

TEST_F(PlnctlBackup, CtrlCWhileWaitingForAReplyEndsAtOnce)
{
    const std::string com = (folder / "com1").string();
    for (bool lan : {false, true}) {
        SCOPED_TRACE(lan ? "LAN" : "serial");
        SimProcess sim(lan ? std::vector<std::string>{"--tcp", "0", "--reply-delay", "4000"}
                           : std::vector<std::string>{"--pty", com, "--reply-delay", "4000"});
        std::vector<std::string> link = lan ? std::vector<std::string>{"--host", host(sim)}
                                            : std::vector<std::string>{"--device", com};
        link.insert(link.end(), {"bank", "save", "5", (folder / "b.bnk").string()});
        Background plnctl(folder.path(), link, folder / "err.txt");
        std::this_thread::sleep_for(std::chrono::milliseconds(600));
        const auto start = std::chrono::steady_clock::now();
        plnctl.signal(SIGINT);
        EXPECT_EQ(plnctl.wait(std::chrono::seconds(10)), 130);
        // Well below the reply's 4 s, with room for a loaded machine.
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1500));
        EXPECT_EQ(readFile(folder / "err.txt"), "plnctl: stopped; " + (folder / "b.bnk").string() + " was not made\n");
        EXPECT_FALSE(fs::exists(folder / "b.bnk"));
    }
}

TEST_F(PlnctlBackup, ARunClearsTheWorkFoldersOfRunsThatWereKilled)
{
    pid_t gone = fork();
    if (gone == 0)
        _exit(0);
    waitpid(gone, nullptr, 0);
    const fs::path tmpdir = folder / "tmpdir";
    const std::string killed = "plnctl-" + std::to_string(gone) + "-abcdef";
    const std::string running = "plnctl-" + std::to_string(getppid()) + "-abcdef";
    fs::create_directories(tmpdir / killed / "TMP");
    fs::create_directories(tmpdir / running / "TMP");
    std::ofstream(tmpdir / killed / "TMP" / "tmp.bin") << "left";
    SimProcess sim({"--tcp", "0"});
    ChildResult r = run({"--host", host(sim), "image", "get", "1", (folder / "one.BYR").string()},
                        {"TMPDIR=" + tmpdir.string()});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(namesIn(tmpdir), std::vector<std::string>{running});
}

TEST_F(PlnctlBackup, AFullDiskMidwayKeepsThePreviousBackup)
{
    // A file system of 100 pages: room for one backup (a page per file) but not for two.
    const fs::path small = folder / "small";
    fs::create_directories(small);
    if (::mount("tmpfs", small.c_str(), "tmpfs", 0, "size=400k") != 0)
        GTEST_SKIP() << "no small file system can be mounted here: " << std::strerror(errno);
    struct Unmount {
        fs::path at;
        ~Unmount() { ::umount2(at.c_str(), MNT_DETACH); }
    } unmount{small};
    const fs::path dir = small / "DIR";
    SimProcess sim({"--tcp", "0"});
    ChildResult r = run({"--host", host(sim), "backup", dir.string()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const auto before = snapshot(dir);
    r = run({"--host", host(sim), "backup", dir.string()});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("No space left on device"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("the previous backup in " + dir.string() + " is unchanged"), std::string::npos) << r.err;
    EXPECT_EQ(snapshot(dir), before);
    EXPECT_EQ(namesIn(small), std::vector<std::string>{"DIR"});
    EXPECT_EQ(run({"--host", host(sim), "bank", "select", "1"}).exitCode, 0);
}

} // namespace
