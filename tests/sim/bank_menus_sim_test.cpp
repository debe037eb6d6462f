// The System, Bank and Bank group menus on the real link against plnsim, offscreen: the
// operation window is up and the main window disabled while a transfer runs, Message 1 after.
#include "link_fixture.h"
#include "scripted_file_dialogs.h"
#include "sim_process.h"

#include "ui/panels/bank_menus.h"
#include "ui/qt/control_index.h"
#include "ui/windows/frm_main.h"
#include "ui/windows/frm_wait.h"
#include "ui/panels/link_controls.h"
#include "ui/qt/qt_file_dialogs.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>

namespace {

class BankMenusSim : public ::testing::Test {
protected:
    BankMenusSim()
    {
        folder.write("MessageENG.ini",
                     "[Message]\r\n1=Done.@64\r\n12=Not found.@48\r\n21=No link.@16\r\n22=No valid reply.@16\r\n"
                     "23=Timed out.@16\r\n24=ER.@48\r\n"
                     "[Label]\r\n4=Received\r\n5=bytes\r\n6=Preparing\r\n7=Command\r\n8=Sending\r\n9=Receiving\r\n"
                     "51=All files (*.*)\r\n53=System data (*.SYS)\r\n54=Bank data (*.BNK)\r\n57=Bank group data (*.BNG)\r\n");
        std::filesystem::create_directories(folder / "BANK");
        state.programFolder = folder.path();
        state.gLanguage = 1;
        state.gLanDelimiter = "\r";
        controls.link().socket().setRemote("127.0.0.1", uint16_t(sim.tcpPort));
        state.gLinkMode = kLinkLan;
        window.show();
        // Looks at the windows whenever events run, which the transfers let them do.
        watch.setInterval(0);
        QObject::connect(&watch, &QTimer::timeout, [this] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                auto* wait = qobject_cast<frmWait*>(w);
                if (wait && wait->isVisible()) {
                    waitShown = true;
                    if (!window.isEnabled() && (wait->stepLabel() == 8 || wait->stepLabel() == 9))
                        runningSeen = true;
                }
            }
        });
        watch.start();
    }

    void trigger(const char* menu, int index = -1)
    {
        waitShown = runningSeen = false;
        prompter.shown.clear();
        findControlAs<QAction>(&window, menu, index)->trigger();
    }
    std::vector<long> boxes() const
    {
        std::vector<long> n;
        for (const auto& b : prompter.shown)
            n.push_back(b.number);
        return n;
    }

    SimProcess sim{{"--tcp", "0"}};
    TempFolder folder;
    AppState state;
    RecordingPrompter prompter;
    Messenger messenger{state, prompter};
    frmMain window;
    LinkControls controls{&window, state, messenger};
    ScriptedFileDialogs dialogs;
    BankMenus menus{&window, controls.link(), dialogs};
    QTimer watch;
    bool waitShown = false;
    bool runningSeen = false;
};

TEST_F(BankMenusSim, SaveLoadAndSwitchFromTheMenus)
{
    {
        frmMain bare;  // nothing attached: the entries would do nothing
        EXPECT_FALSE(findControlAs<QAction>(&bare, "mnuBankSelect", 0)->isEnabled());
        EXPECT_FALSE(findControlAs<QAction>(&bare, "mnuSystemLoad")->isEnabled());
    }
    for (const char* name : {"mnuBankSelect", "mnuBankLoadSelect", "mnuBankChangeSelect", "mnuBankGroupSelect",
                             "mnuBankGroupLoadSelect", "mnuBankGroupChangeSelect"})
        for (int i = 0; i < frmMain::kBankCount; ++i)
            EXPECT_TRUE(findControlAs<QAction>(&window, name, i)->isEnabled()) << name << i;

    dialogs.choose(folder / "BANK/B4.BNK");
    trigger("mnuBankSelect", 4);
    EXPECT_TRUE(runningSeen);
    EXPECT_EQ(boxes(), std::vector<long>{1});
    EXPECT_EQ(folder.read("BANK/B4.BNK").size(), size_t((3000 + 17 * 4 + 127) / 128 * 128));
    EXPECT_EQ(folder.read("BANK/B4.BNK").substr(0, 16), "PLNSIM BANK 04\r\n");

    const std::string mine = std::string(256, 'M') + std::string(128, '\xff');
    folder.write("BANK/MINE.BNK", mine);
    dialogs.choose(folder / "BANK/MINE.BNK");
    trigger("mnuBankLoadSelect", 4);
    EXPECT_TRUE(runningSeen);
    EXPECT_EQ(boxes(), std::vector<long>{1});

    dialogs.choose(folder / "BANK/B4.BNK");  // replaces the earlier save
    trigger("mnuBankSelect", 4);
    EXPECT_EQ(boxes(), std::vector<long>{1});
    EXPECT_EQ(folder.read("BANK/B4.BNK"), mine);

    trigger("mnuBankChangeSelect", 7);
    EXPECT_FALSE(waitShown);
    EXPECT_EQ(boxes(), std::vector<long>{1});
    EXPECT_TRUE(window.isEnabled());
}

// What a file dialog showed when it opened.
struct DialogSeen {
    QString proposed; // the name in its file name box
    QString folder;
    bool replaceAsked = false;
    QString replaceText;
};

// Answers the file dialog that opens while poll runs as a user does: types the name and
// presses Save or Open; a replace question that follows is answered Yes.
void typeIntoNextDialog(QTimer& poll, const QString& typed, DialogSeen& seen)
{
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [typed, &seen] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            seen.replaceAsked = true;
            seen.replaceText = box->text();
            box->button(QMessageBox::Yes)->click();
            return;
        }
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        if (!dialog || !dialog->isVisible() || !seen.folder.isEmpty())
            return;
        auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        seen.proposed = edit->text();
        seen.folder = dialog->directory().absolutePath();
        edit->setText(typed);
        static_cast<QDialog*>(dialog)->accept(); // as the Save or Open button does
    });
    poll.start();
}

TEST_F(BankMenusSim, TypedNamesGetTheKindsExtensionAndNoKindProposesAnothersFile)
{
    for (const char* sub : {"BANKGRP", "SYSTEM"})
        std::filesystem::create_directories(folder / sub);
    frmMain typing;
    LinkControls typingControls{&typing, state, messenger};
    QtFileDialogs qtDialogs{&typing};
    BankMenus typingMenus{&typing, typingControls.link(), qtDialogs};
    typingControls.link().socket().setRemote("127.0.0.1", uint16_t(sim.tcpPort));
    typing.show();
    auto run = [&](const char* menu, int index, const QString& typed) {
        DialogSeen seen;
        QTimer poll;
        typeIntoNextDialog(poll, typed, seen);
        prompter.shown.clear();
        findControlAs<QAction>(&typing, menu, index)->trigger();
        return seen;
    };

    // A bank group saved under a typed name; System > Back Up then proposes no bank group
    // file but its own folder, and the name typed there gets .SYS.
    DialogSeen group = run("mnuBankGroupSelect", 5, QStringLiteral("line2"));
    EXPECT_EQ(group.folder.toStdString(), (folder / "BANKGRP").string());
    EXPECT_EQ(boxes(), std::vector<long>{1});
    const std::string groupBytes = folder.read("BANKGRP/line2.BNG");
    EXPECT_EQ(groupBytes.substr(0, 22), "PLNSIM BANK GROUP 05\r\n");

    DialogSeen system = run("mnuSystemSave", -1, QStringLiteral("line2"));
    EXPECT_EQ(system.proposed, QString()) << "the bank group file was proposed for system data";
    EXPECT_EQ(system.folder.toStdString(), (folder / "SYSTEM").string());
    EXPECT_EQ(boxes(), std::vector<long>{1});
    EXPECT_EQ(folder.read("BANKGRP/line2.BNG"), groupBytes);
    EXPECT_EQ(folder.read("SYSTEM/line2.SYS").substr(0, 18), "PLNSIM SYSTEM DATA");

    // "bank03" is written as bank03.BNK, and the restore finds it by the same name.
    run("mnuBankSelect", 3, QStringLiteral("bank03"));
    EXPECT_EQ(boxes(), std::vector<long>{1});
    EXPECT_FALSE(std::filesystem::exists(folder / "BANK/bank03"));
    EXPECT_EQ(folder.read("BANK/bank03.BNK").substr(0, 16), "PLNSIM BANK 03\r\n");
    DialogSeen restore = run("mnuBankLoadSelect", 3, QStringLiteral("bank03"));
    EXPECT_EQ(restore.proposed, QStringLiteral("bank03.BNK"));
    EXPECT_EQ(restore.folder.toStdString(), (folder / "BANK").string());
    EXPECT_EQ(boxes(), std::vector<long>{1});

    // Saving it again asks about the file that will be replaced, bank03.BNK.
    DialogSeen again = run("mnuBankSelect", 3, QStringLiteral("bank03"));
    EXPECT_TRUE(again.replaceAsked);
    EXPECT_TRUE(again.replaceText.contains(QStringLiteral("bank03.BNK"))) << again.replaceText.toStdString();
    EXPECT_EQ(boxes(), std::vector<long>{1});
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
