// plnctl's backup commands against the simulator: single saves and loads, the backup of all
// data and its restore, a manifest that does not match, and Ctrl+C during a transfer.
#include "plnctl_fixture.h"
#include "sim_process.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <thread>

namespace fs = std::filesystem;

namespace {

std::string readFile(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

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

TEST_F(PlnctlBackup, CtrlCStopsTheTransferAndKeepsThePreviousFile)
{
    SimProcess sim({"--tcp", "0", "--stall-after", "3"});
    folder.write("keep.bnk", "previous");
    pid_t pid = fork();
    if (pid == 0) {
        int null = open("/dev/null", O_WRONLY);
        dup2(null, 2);
        execl(PLNCTL_PATH, PLNCTL_PATH, "--program-folder", folder.path().c_str(), "--host", host(sim).c_str(), "bank",
              "save", "5", (folder / "keep.bnk").c_str(), nullptr);
        _exit(127);
    }
    // The stall holds the transfer in its wait for the next block; the block's time limit
    // would end it after ten seconds.
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    kill(pid, SIGINT);
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_EQ(folder.read("keep.bnk"), "previous");
    size_t files = 0;
    for (const auto& e : fs::directory_iterator(folder.path()))
        files += e.path().filename().string().find("keep") != std::string::npos;
    EXPECT_EQ(files, 1u);
    EXPECT_EQ(run({"--host", host(sim), "bank", "select", "1"}).exitCode, 0);
}

} // namespace
