// The name a file dialog's choice stands for, and the last file each kind remembers.
#include "app/file_dialogs.h"
#include "scripted_file_dialogs.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

FileDialogRequest saveRequest(const std::string& filter, FileKind kind = FileKind::Unnamed)
{
    FileDialogRequest r;
    r.kind = FileDialogRequest::Kind::Save;
    r.filter = filter;
    r.fileKind = kind;
    return r;
}

} // namespace

TEST(FileDialogNames, ATypedNameWithoutExtensionGetsTheChosenFilters)
{
    const std::string banks = "All files (*.*)|*.*|Bank data (*.BNK)| *.BNK";
    struct Case {
        const char* filter;
        int entry;
        const char* typed;
        const char* written;
    } cases[] = {
        {banks.c_str(), 2, "/d/bank03", "/d/bank03.BNK"},
        {banks.c_str(), 2, "/d/bank03.bnk", "/d/bank03.bnk"}, // an extension of its own stays
        {banks.c_str(), 2, "/d/bank03.", "/d/bank03."},
        {banks.c_str(), 1, "/d/bank03", "/d/bank03"},         // "*.*" adds nothing
        {banks.c_str(), 3, "/d/bank03", "/d/bank03"},         // no such entry
        {"*.bmp|*.bmp", 1, "/d/shot", "/d/shot.bmp"},
        {"Images|*.BYR;*.GRY", 1, "/d/shot", "/d/shot.BYR"},  // the first of several patterns
        {"Any|*.B?R", 1, "/d/shot", "/d/shot"},
        {"/d.x/|*.SYS", 1, "/d.x/sys", "/d.x/sys.SYS"},       // the folder's dot is not the name's
    };
    for (const Case& c : cases) {
        EXPECT_EQ(chosenFile(c.typed, saveRequest(c.filter), c.entry), fs::path(c.written))
            << c.filter << " entry " << c.entry << " " << c.typed;
    }
}

TEST(FileDialogNames, AnOpenAddsTheExtensionOnlyToFindTheFile)
{
    TempFolder folder;
    folder.write("bank03.BNK", "b");
    folder.write("plain", "p");
    FileDialogRequest open = saveRequest("Bank data (*.BNK)| *.BNK");
    open.kind = FileDialogRequest::Kind::Open;
    EXPECT_EQ(chosenFile(folder / "bank03", open, 1), folder / "bank03.BNK");
    EXPECT_EQ(chosenFile(folder / "plain", open, 1), folder / "plain");
    EXPECT_EQ(chosenFile(folder / "gone", open, 1), folder / "gone"); // reported by the command
}

TEST(FileDialogNames, TheWrittenNameIsTheOneTheCommandWrites)
{
    FileDialogRequest raw = saveRequest("All files (*.*)|*.*|Image files (*.BYR)| *.BYR");
    raw.writtenAs = [](const fs::path& p) { return p.parent_path() / (p.stem().string() + ".BYR"); };
    EXPECT_EQ(chosenFile("/d/five.bmp", raw, 1), fs::path("/d/five.BYR"));
    EXPECT_EQ(chosenFile("/d/five", raw, 2), fs::path("/d/five.BYR"));
}

TEST(FileDialogMemory, EachKindProposesItsOwnLastFileInItsOwnFolder)
{
    ScriptedFileDialogs dialogs;
    FileDialogRequest group = saveRequest("", FileKind::BankGroup);
    group.initialFolder = "/p/BANKGRP";
    FileDialogRequest system = saveRequest("", FileKind::System);
    system.initialFolder = "/p/SYSTEM";

    dialogs.choose("/backups/line2/BG05.BNG");
    dialogs.showFor(group);
    dialogs.showFor(system); // cancelled
    dialogs.choose("/p/SYSTEM/line2.SYS");
    dialogs.showFor(system);
    dialogs.showFor(group, std::string()); // no name, but the group's last folder

    ASSERT_EQ(dialogs.shown.size(), 4u);
    EXPECT_EQ(dialogs.shown[0].proposed, "");
    EXPECT_EQ(dialogs.shown[1].proposed, "");                     // never the bank group file
    EXPECT_EQ(dialogs.shown[1].request.initialFolder, "/p/SYSTEM");
    EXPECT_EQ(dialogs.shown[2].proposed, "");                     // a cancel remembers nothing
    EXPECT_EQ(dialogs.shown[3].proposed, "");
    EXPECT_EQ(dialogs.shown[3].request.initialFolder, "/backups/line2");
    EXPECT_EQ(dialogs.lastFile(FileKind::System), "/p/SYSTEM/line2.SYS");
    EXPECT_EQ(dialogs.lastFile(FileKind::BankGroup), "/backups/line2/BG05.BNG");
    EXPECT_EQ(dialogs.lastFile(FileKind::Bitmap), "");

    dialogs.showFor(system);
    EXPECT_EQ(dialogs.shown.back().proposed, "/p/SYSTEM/line2.SYS");
}
