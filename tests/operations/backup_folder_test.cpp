// The switch of a whole-controller backup folder: the old one stays byte for byte until the
// new one is complete, and what killed runs left beside it is cleared by the next run.
#include "operations/backup_folder.h"

#include "files/file_util.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>

#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// Every entry below root with its contents ("/" for a folder).
std::map<std::string, std::string> snapshot(const fs::path& root)
{
    std::map<std::string, std::string> all;
    for (const auto& e : fs::recursive_directory_iterator(root)) {
        std::ifstream in(e.path(), std::ios::binary);
        all[e.path().lexically_relative(root).string()] =
            e.is_directory() ? "/" : std::string(std::istreambuf_iterator<char>(in), {});
    }
    return all;
}

void put(const fs::path& file, const std::string& bytes)
{
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << bytes;
}

std::vector<std::string> namesIn(const fs::path& folder)
{
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// The id of a process that has ended (and been reaped).
long deadPid()
{
    pid_t pid = fork();
    if (pid == 0)
        _exit(0);
    waitpid(pid, nullptr, 0);
    return pid;
}

class BackupFolderSwitch : public ::testing::TestWithParam<StagedBackupFolder::Switch> {
protected:
    TempFolder tmp;
    fs::path dir = tmp / "DIR";
};

TEST_P(BackupFolderSwitch, ReplacesTheOldBackupWholeAndKeepsTheUsersOwnFiles)
{
    put(dir / "BANK/BANK00.BNK", "old bank");
    put(dir / "MANIFEST.txt", "old manifest");
    put(dir / "notes.txt", "the user's notes");
    put(dir / "BANK/old-extra.txt", "kept too");
    {
        StagedBackupFolder staged(dir, GetParam());
        ASSERT_TRUE(staged.ok()) << staged.error();
        put(staged.path() / "BANK/BANK00.BNK", "new bank");
        put(staged.path() / "MANIFEST.txt", "new manifest");
        std::string error;
        ASSERT_TRUE(staged.commit(error)) << error;
    }
    const std::map<std::string, std::string> expected = {
        {"BANK", "/"}, {"BANK/BANK00.BNK", "new bank"}, {"BANK/old-extra.txt", "kept too"},
        {"MANIFEST.txt", "new manifest"}, {"notes.txt", "the user's notes"}};
    EXPECT_EQ(snapshot(dir), expected);
    EXPECT_EQ(namesIn(tmp.path()), std::vector<std::string>{"DIR"});
}

TEST_P(BackupFolderSwitch, AFolderThatWasNotThereIsMadeByTheSwitch)
{
    StagedBackupFolder staged(dir, GetParam());
    put(staged.path() / "SYSTEM/SYSTEM.SYS", "sys");
    std::string error;
    ASSERT_TRUE(staged.commit(error)) << error;
    EXPECT_EQ(snapshot(dir), (std::map<std::string, std::string>{{"SYSTEM", "/"}, {"SYSTEM/SYSTEM.SYS", "sys"}}));
    EXPECT_EQ(namesIn(tmp.path()), std::vector<std::string>{"DIR"});
}

INSTANTIATE_TEST_SUITE_P(Both, BackupFolderSwitch,
                         ::testing::Values(StagedBackupFolder::Switch::Exchange, StagedBackupFolder::Switch::Renames));

TEST(BackupFolder, WithoutACommitTheOldBackupStaysByteForByteAndNothingIsLeftBesideIt)
{
    TempFolder tmp;
    const fs::path dir = tmp / "DIR";
    put(dir / "BANK/BANK00.BNK", "old bank");
    const auto before = snapshot(dir);
    {
        StagedBackupFolder staged(dir);
        put(staged.path() / "BANK/BANK00.BNK", "half a new bank");
    }
    EXPECT_EQ(snapshot(dir), before);
    EXPECT_EQ(namesIn(tmp.path()), std::vector<std::string>{"DIR"});
}

TEST(BackupFolder, ACommitThatCannotKeepAFifoLeavesTheFolderAsItWas)
{
    TempFolder tmp;
    const fs::path dir = tmp / "DIR";
    put(dir / "MANIFEST.txt", "old");
    ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
    StagedBackupFolder staged(dir);
    put(staged.path() / "MANIFEST.txt", "new");
    std::string error;
    EXPECT_FALSE(staged.commit(error));
    EXPECT_NE(error.find("pipe"), std::string::npos) << error;
    std::ifstream in(dir / "MANIFEST.txt");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "old");
}

TEST(BackupFolder, TheNextRunClearsWhatAKilledRunLeftAndPutsAnOldBackupAsideBack)
{
    TempFolder tmp;
    const fs::path dir = tmp / "DIR";
    const std::string dead = std::to_string(deadPid());
    const std::string alive = std::to_string(::getppid());
    // Killed between its two renames: DIR is gone, the old backup is aside.
    put(tmp / (".DIR.plntool-old-" + dead + "-0") / "MANIFEST.txt", "old backup");
    put(tmp / (".DIR.plntool-new-" + dead + "-abcdef") / "BANK/BANK00.BNK", "half");
    put(tmp / (".DIR.plntool-new-" + alive + "-abcdef") / "BANK/BANK00.BNK", "a run going on");
    put(tmp / ".OTHER.plntool-new-" / "x", "not of this folder");
    removeBackupLeftovers(dir);
    EXPECT_EQ(snapshot(dir), (std::map<std::string, std::string>{{"MANIFEST.txt", "old backup"}}));
    EXPECT_EQ(namesIn(tmp.path()),
              (std::vector<std::string>{".DIR.plntool-new-" + alive + "-abcdef", ".OTHER.plntool-new-", "DIR"}));

    // With DIR there, an old backup aside is what a killed switch had already replaced.
    put(tmp / (".DIR.plntool-old-" + dead + "-1") / "MANIFEST.txt", "older");
    removeBackupLeftovers(dir);
    EXPECT_EQ(snapshot(dir), (std::map<std::string, std::string>{{"MANIFEST.txt", "old backup"}}));
    EXPECT_EQ(namesIn(tmp.path()).size(), 3u);
}

TEST(BackupFolder, AReceivedFileClearsTheTemporaryFilesOfKilledWritersBesideIt)
{
    TempFolder tmp;
    const std::string dead = std::to_string(deadPid());
    const std::string alive = std::to_string(::getppid());
    put(tmp / ("BANK00.BNK.tmp" + dead + "-123"), "killed");
    put(tmp / ("BANK00.BNK.tmp" + alive + "-123"), "still writing");
    put(tmp / ("OTHER.BNK.tmp" + dead + "-123"), "another target's");
    ReplacingFile file(tmp / "BANK00.BNK");
    ASSERT_TRUE(file.ok());
    const uint8_t byte = 1;
    ASSERT_TRUE(file.write(&byte, 1));
    ASSERT_TRUE(file.commit());
    EXPECT_EQ(namesIn(tmp.path()), (std::vector<std::string>{"BANK00.BNK", "BANK00.BNK.tmp" + alive + "-123",
                                                             "OTHER.BNK.tmp" + dead + "-123"}));
}

} // namespace
