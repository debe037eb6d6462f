// System > whole-controller backup and restore on the real link against plnsim over a
// pseudo-terminal, offscreen: one operation window for the whole run with "n / 65" and the file,
// a stopped run that leaves the previous backup byte for byte, and a restore into a fresh
// simulator that then holds exactly what the backup folder holds.
#include "link_fixture.h"
#include "scripted_file_dialogs.h"
#include "sim_process.h"

#include "ui/qt/control_index.h"
#include "ui/windows/frm_main.h"
#include "ui/windows/frm_wait.h"
#include "ui/panels/link_controls.h"
#include "ui/panels/whole_backup_menus.h"

#include "operations/controller_backup.h"

#include <QAction>
#include <QApplication>
#include <QTimer>

#include <map>
#include <set>

namespace fs = std::filesystem;

namespace {

// Every file below folder with its bytes, the names "/"-separated.
std::map<std::string, std::string> contentsOf(const fs::path& folder)
{
    std::map<std::string, std::string> files;
    for (const auto& e : fs::recursive_directory_iterator(folder)) {
        if (!e.is_regular_file())
            continue;
        std::ifstream in(e.path(), std::ios::binary);
        files[e.path().lexically_relative(folder).generic_string()] =
            std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    return files;
}

// The name plnsim keeps a target under in its --data folder.
std::string simName(const BackupTarget& t)
{
    char name[16];
    if (t.kind == BackupTarget::Kind::System)
        return "SYS.bin";
    std::snprintf(name, sizeof name, "%s%02d.bin", t.kind == BackupTarget::Kind::Bank ? "BNK" : "BGR", int(t.number));
    return name;
}

class WholeBackupSim : public ::testing::Test {
protected:
    WholeBackupSim()
    {
        folder.write("MessageENG.ini",
                     "[Message]\r\n1=Done.@64\r\n12=Not found.@48\r\n21=No link.@16\r\n22=No valid reply.@16\r\n"
                     "23=Timed out.@16\r\n24=ER.@48\r\n320=Backed up into %1.@64\r\n321=Ended at %2; %1 unchanged.@48\r\n"
                     "322=Restored from %1.@64\r\n323=%1 failed the check.@48\r\n324=Ended at %2; %3 to %4 (%5).@48\r\n"
                     "325=Ended at %2; nothing loaded.@48\r\n326=%1 holds the program.@48\r\n"
                     "[Label]\r\n4=Received\r\n5=bytes\r\n6=Preparing\r\n7=Command\r\n8=Sending\r\n9=Receiving\r\n"
                     "320=Time left\r\n");
        fs::create_directories(folder / "program");
        state.programFolder = folder / "program";
        fs::rename(folder / "MessageENG.ini", folder / "program/MessageENG.ini");
        state.gLanguage = 1;
        state.gComPort = 1;
        state.gComSettings = "38400,N,8,1";
        state.gComDelimiter = "\r";
        window.show();
        // Looks at the windows whenever events run, which the transfers let them do.
        watch.setInterval(0);
        QObject::connect(&watch, &QTimer::timeout, [this] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                auto* wait = qobject_cast<frmWait*>(w);
                if (!wait || !wait->isVisible())
                    continue;
                if (window.isEnabled())
                    enabledWhileRunning = true;
                const QString where = wait->wholeRunText();
                if (!where.isEmpty())
                    seen.insert(where.toStdString());
                if (!wait->timeLeftText().isEmpty())
                    timeLeft = wait->timeLeftText().toStdString();
                if (!stopAt.empty() && where.startsWith(QString::fromStdString(stopAt)))
                    wait->btnStop_Click();
            }
        });
        watch.start();
    }

    void connectTo(const std::string& device)
    {
        controls.link().channel().setDeviceResolver([device](int) { return device; });
        ASSERT_EQ(controls.link().channel().fncOpenComPort(), 0);
        state.gLinkMode = kLinkSerial;
    }

    // Runs a menu entry with folder chosen; returns the boxes shown.
    std::vector<long> trigger(const char* menu, const fs::path& chosen)
    {
        seen.clear();
        enabledWhileRunning = false;
        prompter.shown.clear();
        dialogs.choose(chosen);
        findControlAs<QAction>(&window, menu)->trigger();
        std::vector<long> n;
        for (const auto& b : prompter.shown)
            n.push_back(b.number);
        return n;
    }
    std::string lastText() const { return prompter.shown.empty() ? "" : prompter.shown.back().text; }

    TempFolder folder;
    AppState state;
    RecordingPrompter prompter;
    Messenger messenger{state, prompter};
    frmMain window;
    LinkControls controls{&window, state, messenger};
    ScriptedFileDialogs dialogs;
    WholeBackupMenus menus{&window, controls.link(), dialogs};
    QTimer watch;
    std::set<std::string> seen;
    std::string timeLeft;
    std::string stopAt;
    bool enabledWhileRunning = false;
};

TEST_F(WholeBackupSim, BackUpStopBackUpAgainAndRestoreIntoAFreshController)
{
    const fs::path backup = folder / "backup";
    fs::create_directories(backup);
    folder.write("backup/NOTES.txt", "the user's own notes\n");
    const fs::path dataA = folder / "simA";
    {
        SimProcess sim({"--pty", (folder / "com1").string(), "--data", dataA.string()});
        connectTo((folder / "com1").string());

        EXPECT_EQ(trigger("mnuSystemBackupAll", backup), std::vector<long>{320}) << lastText();
        EXPECT_FALSE(enabledWhileRunning);
        EXPECT_TRUE(window.isEnabled());
        EXPECT_TRUE(seen.count("1 / 65   BANK/BANK00.BNK"));
        EXPECT_TRUE(seen.count("33 / 65   BANKGRP/BG00.BNG"));
        EXPECT_TRUE(seen.count("65 / 65   SYSTEM/SYSTEM.SYS"));
        EXPECT_NE(timeLeft.find("Time left "), std::string::npos);
        EXPECT_EQ(dialogs.shown.back().request.kind, FileDialogRequest::Kind::Folder);
        EXPECT_TRUE(dialogs.fileName.empty());  // the file commands keep their own proposal
        const auto previous = contentsOf(backup);
        ASSERT_EQ(previous.size(), 1u + 65u + 1u);  // the notes, the files, the manifest
        EXPECT_EQ(previous.at("NOTES.txt"), "the user's own notes\n");

        // The controller's bank 0 changes; a stopped backup must not bring it into the folder.
        fs::create_directories(dataA);
        std::ofstream(dataA / "BNK00.bin", std::ios::binary) << std::string(128, 'N');
        stopAt = "5 / 65";
        const auto boxes = trigger("mnuSystemBackupAll", backup);
        stopAt.clear();
        ASSERT_FALSE(boxes.empty());
        EXPECT_EQ(boxes.back(), 321);
        EXPECT_NE(lastText().find("Ended at BANK/BANK04.BNK"), std::string::npos) << lastText();
        EXPECT_FALSE(seen.count("6 / 65   BANK/BANK05.BNK"));
        EXPECT_TRUE(window.isEnabled());
        EXPECT_EQ(contentsOf(backup), previous);
        EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator()), 4)
            << "nothing beside the folder";  // program, backup, simA, com1

        EXPECT_EQ(trigger("mnuSystemBackupAll", backup), std::vector<long>{320}) << lastText();
        EXPECT_EQ(folder.read("backup/BANK/BANK00.BNK"), std::string(128, 'N'));
        EXPECT_EQ(folder.read("backup/NOTES.txt"), "the user's own notes\n");

        // The program folder cannot be swapped for a backup.
        EXPECT_EQ(trigger("mnuSystemBackupAll", state.programFolder), std::vector<long>{326});
        EXPECT_TRUE(seen.empty());
    }
    controls.link().channel().fncCloseComPort();

    const fs::path dataB = folder / "simB";
    SimProcess fresh({"--pty", (folder / "com2").string(), "--data", dataB.string()});
    connectTo((folder / "com2").string());

    // A folder that does not match its manifest sends nothing.
    const fs::path damaged = folder / "damaged";
    fs::copy(backup, damaged, fs::copy_options::recursive);
    fs::remove(damaged / "BANKGRP/BG07.BNG");
    EXPECT_EQ(trigger("mnuSystemRestoreAll", damaged), std::vector<long>{323}) << lastText();
    EXPECT_NE(lastText().find("BG07"), std::string::npos) << lastText();
    EXPECT_FALSE(fs::exists(dataB));

    EXPECT_EQ(trigger("mnuSystemRestoreAll", backup), std::vector<long>{322}) << lastText();
    EXPECT_TRUE(seen.count("65 / 65   SYSTEM/SYSTEM.SYS"));
    const auto held = contentsOf(dataB);
    EXPECT_EQ(held.size(), 65u);
    for (const BackupTarget& t : controllerBackupTargets()) {
        const std::string name = t.backupName().generic_string();
        EXPECT_EQ(held.count(simName(t)) ? held.at(simName(t)) : "", folder.read("backup/" + name)) << name;
    }
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
