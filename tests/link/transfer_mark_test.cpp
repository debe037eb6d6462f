#include "link/transfer_mark.h"

#include "temp_folder.h"

#include <gtest/gtest.h>

#include <fstream>

#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// The id of a process that has ended and been reaped: a killed run's.
long goneProcess()
{
    pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    ::waitpid(child, nullptr, 0);
    return child;
}

// A process that has ended and not been collected yet: a killed run whose parent script
// still runs. Reap it with waitpid when done.
pid_t uncollectedProcess()
{
    pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    siginfo_t info{};
    ::waitid(P_PID, id_t(child), &info, WEXITED | WNOWAIT);
    return child;
}

void touch(const fs::path& path)
{
    std::ofstream(path).put('\n');
}

} // namespace

TEST(TransferMark, LivesAsLongAsTheTransferAndNamesItsTarget)
{
    TempFolder folder;
    const fs::path marks = folder.path() / "marks";
    {
        TransferMark mark(marks, "/dev/ttyUSB0");
        ASSERT_EQ(std::distance(fs::directory_iterator(marks), fs::directory_iterator()), 1);
        EXPECT_EQ(fs::status(marks).permissions() & fs::perms::all, fs::perms::owner_all);
        const std::string name = fs::directory_iterator(marks)->path().filename().string();
        EXPECT_EQ(name, "transfer.plntool-" + std::to_string(::getpid()) + "-_dev_ttyUSB0");
        // This run's own mark is no leftover.
        EXPECT_FALSE(takeLeftoverTransferMark(marks, "/dev/ttyUSB0"));
    }
    EXPECT_FALSE(fs::exists(marks)) << "an empty folder of marks is left behind";
}

TEST(TransferMark, OnlyTheMarkOfAGoneWriterForTheSameTargetIsTaken)
{
    TempFolder folder;
    const fs::path marks = folder.path();
    const std::string gone = std::to_string(goneProcess());
    const std::string alive = std::to_string(::getppid());
    const pid_t zombie = uncollectedProcess();
    struct Case {
        const char* what;
        std::string name;
        bool taken;
    };
    const Case cases[] = {
        {"gone writer, same device", "transfer.plntool-" + gone + "-_dev_ttyUSB0", true},
        {"gone writer, same address", "transfer.plntool-" + gone + "-10.0.0.5_23", true},
        {"writer still running", "transfer.plntool-" + alive + "-_dev_ttyUSB0", false},
        {"killed writer not yet collected", "transfer.plntool-" + std::to_string(zombie) + "-_dev_ttyUSB0", true},
        {"another device", "transfer.plntool-" + gone + "-_dev_ttyUSB1", false},
        {"a device whose name ends the same", "transfer.plntool-" + gone + "-x_dev_ttyUSB0", false},
        {"not our naming", "transfer-" + gone + "-_dev_ttyUSB0", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        touch(marks / c.name);
        const bool taken = c.name.find("10.0.0.5") != std::string::npos
                               ? takeLeftoverTransferMark(marks, "10.0.0.5:23")
                               : takeLeftoverTransferMark(marks, "/dev/ttyUSB0");
        EXPECT_EQ(taken, c.taken);
        EXPECT_EQ(fs::exists(marks / c.name), !c.taken);
        fs::remove(marks / c.name);
    }
    EXPECT_FALSE(takeLeftoverTransferMark(folder.path() / "missing", "/dev/ttyUSB0"));
    ::waitpid(zombie, nullptr, 0);
}
