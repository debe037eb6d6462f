// The batch commands, the batch conversion window and the folder browsers, offscreen, with
// scripted file dialogs and recorded message boxes.

#include "ui/panels/batch_menu.h"
#include "ui/qt/control_index.h"
#include "app/file_dialogs.h"
#include "window_models/folder_listing.h"
#include "ui/windows/frm_bin_bmp_conv.h"
#include "ui/windows/frm_dir_browser.h"
#include "ui/windows/frm_main.h"
#include "window_models/batch_window_layout.h"
#include "app/messages.h"
#include "recording_prompter.h"
#include "scripted_file_dialogs.h"
#include "temp_folder.h"
#include "../image/image_test_support.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QtTest>

#include <deque>
#include <optional>

namespace fs = std::filesystem;

namespace {

const char* kMessages =
    "[Message]\r\n1=Done.@64\r\n12=Missing.@48\r\n13=Not converted.@16\r\n"
    "[Label]\r\n14=Converting file\r\n15=Converting...\r\n51=All files (*.*)\r\n"
    "55=Image files (*.BYR)\r\n56=Image files (*.GRY)\r\n";

std::vector<std::string> names(int count, std::size_t length) {
    std::vector<std::string> list;
    for (int i = 0; i < count; ++i) {
        std::string name = "N" + std::to_string(i) + "_";
        list.push_back(name + std::string(length - name.size(), 'x'));
    }
    return list;
}

QStringList fileBoxLines(frmBinBmpConv& window) {
    return findControlAs<QLabel>(&window, "FileBox")->text().split(QLatin1Char('\n'));
}

QStringList listed(QWidget* window, const char* name) {
    QStringList items;
    auto* list = findControlAs<QListWidget>(window, name);
    for (int i = 0; i < list->count(); ++i) {
        items << list->item(i)->text().trimmed();
    }
    return items;
}

} // namespace

class BatchWindowsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TempFolder> folder_;
    AppState state_;
    RecordingPrompter prompter_;
    std::unique_ptr<Messenger> messages_;
    ScriptedFileDialogs dialogs_;

    fs::path path(const std::string& name) { return folder_->path() / name; }

    // A small raw file in the data folder, listed in the batch.
    void addRawFile(const std::string& name, uint32_t seed) {
        writeBytes(path("data") / name, plnFileBytes(controllerHeader(8, 4), randomBytes(32, seed)));
        state_.gFileNames.push_back(name);
        state_.gFilePaths.push_back((path("data") / name).string());
    }

    std::vector<std::pair<std::string, long>> boxes() const {
        std::vector<std::pair<std::string, long>> list;
        for (const BoxRequest& b : prompter_.shown) {
            list.push_back({b.section.empty() ? b.text : b.section, b.number});
        }
        return list;
    }

private slots:
    void init() {
        folder_ = std::make_unique<TempFolder>();
        fs::create_directories(path("TMP"));
        fs::create_directories(path("IMAGE"));
        fs::create_directories(path("data"));
        fs::create_directories(path("out"));
        folder_->write("MessageENG.ini", kMessages);
        state_ = AppState{};
        state_.programFolder = folder_->path();
        state_.gLanguage = 1;
        prompter_ = RecordingPrompter{};
        messages_ = std::make_unique<Messenger>(state_, prompter_);
        dialogs_ = ScriptedFileDialogs{};
    }

    void eachCommandListsTheChosenFilesInTheirOrder() {
        QWidget main;
        BatchCommands commands(state_, *messages_, dialogs_, &main);
        std::vector<std::vector<std::string>> seen;
        commands.showBatchWindow = [&](frmBinBmpConv&) { seen.push_back(state_.gFileNames); };

        const fs::path d = path("data");
        dialogs_.answers = {std::vector<fs::path>{d / "one.BYR"},
                            std::vector<fs::path>{d / "c.BYR", d / "a.GRY", d / "b.BYR"}, std::nullopt};
        commands.mnuEachConv2_Click();
        QCOMPARE(state_.gFileNames, (std::vector<std::string>{"one.BYR"}));
        QCOMPARE(state_.gFilePaths, (std::vector<std::string>{(d / "one.BYR").string()}));
        commands.mnuEachConv2_Click();
        QCOMPARE(state_.gFileNames, (std::vector<std::string>{"c.BYR", "a.GRY", "b.BYR"}));
        QCOMPARE(state_.gFilePaths[1], (d / "a.GRY").string());
        // Cancel: no window, no box, the list stays.
        commands.mnuEachConv2_Click();
        QCOMPARE(seen.size(), std::size_t(2));
        QVERIFY(prompter_.shown.empty());
        QCOMPARE(state_.gFileNames.size(), std::size_t(3));

        const FileDialogRequest& r = dialogs_.shown.front().request;
        QVERIFY(r.kind == FileDialogRequest::Kind::OpenMany);
        QCOMPARE(r.filter, std::string("Image files (*.GRY)|*.GRY|Image files (*.BYR)|*.BYR"));
        QCOMPARE(r.filterIndex, 2);
        QCOMPARE(r.initialFolder, path("IMAGE"));
    }

    void menuEntriesWorkOnceConnected() {
        frmMain main;
        auto* each = main.findChild<QAction*>("mnuEachConv2");
        auto* all = main.findChild<QAction*>("mnuAllConv2");
        QVERIFY(!each->isEnabled() && !all->isEnabled());
        BatchCommands commands(state_, *messages_, dialogs_, &main);
        int browsed = 0;
        commands.browseInputFolder = [&] { ++browsed; };
        commands.attachMenu();
        QVERIFY(each->isEnabled() && all->isEnabled());
        all->trigger();
        each->trigger();
        QCOMPARE(browsed, 1);
        QCOMPARE(dialogs_.shown.size(), std::size_t(1));
    }

    void allCommandOpensTheWindowOnlyWhenTheBrowserWasConfirmed() {
        QWidget main;
        BatchCommands commands(state_, *messages_, dialogs_, &main);
        int windows = 0;
        commands.showBatchWindow = [&](frmBinBmpConv&) { ++windows; };
        bool confirm = false;
        commands.browseInputFolder = [&] {
            if (confirm) {
                state_.gBrowseOK = -1;
            }
        };
        dialogs_.fileName = "x.BYR";
        commands.mnuAllConv2_Click();
        QCOMPARE(windows, 0);
        QCOMPARE(dialogs_.fileName, std::string());
        confirm = true;
        commands.mnuAllConv2_Click();
        QCOMPARE(windows, 1);
        QCOMPARE(state_.gBrowseOK, int16_t(0));
    }

    void scrollBarsAtTheMinimumSize() {
        struct Case {
            int count;
            std::size_t length;
            const char* bar;
            int maximum;
            int value;
            QString firstLine;
        };
        const std::vector<std::string> forty = names(40, 8);
        const std::vector<std::string> wide = names(1, 60);
        const Case cases[] = {
            {40, 8, "TateScr", 29, 5, QString::fromStdString(forty[5])},
            {1, 60, "YokoScr", 15, 3, QString::fromStdString(wide[0].substr(3))},
        };
        for (const Case& c : cases) {
            state_.gFileNames = names(c.count, c.length);
            frmBinBmpConv window(state_, *messages_, dialogs_);
            window.resize(1, 1); // raised to the minimum
            window.show();
            QVERIFY(QTest::qWaitForWindowExposed(&window));
            auto* fileBox = findControlAs<QLabel>(&window, "FileBox");
            QCOMPARE(fileBox->height() * kTwipsPerPixel, 2160);
            QCOMPARE(fileBox->width() * kTwipsPerPixel, 4080);
            auto* bar = findControlAs<QScrollBar>(&window, c.bar);
            QVERIFY(bar->isVisible());
            QCOMPARE(bar->maximum(), c.maximum);
            QCOMPARE(fileBoxLines(window).size(), c.count);
            bar->setValue(c.value);
            QCOMPARE(fileBoxLines(window).front(), c.firstLine);
            // Larger, the list fits and the bar goes.
            window.resize(1200, 900);
            QVERIFY(!bar->isVisible());
            QCOMPARE(fileBoxLines(window).size(), c.count);
        }
    }

    void fileByFileSavesEachAndStaysOpenWhenASaveIsCancelled() {
        addRawFile("x.BYR", 1);
        addRawFile("y.GRY", 2);
        addRawFile("z.byr", 3);
        dialogs_.answers = {std::vector<fs::path>{path("out") / "first.bmp"},
                            std::vector<fs::path>{path("out") / "second.bmp"}, std::nullopt};
        frmBinBmpConv window(state_, *messages_, dialogs_);
        window.show();
        findControlAs<QPushButton>(&window, "cmdOK")->click();
        QVERIFY(window.isVisible());
        QVERIFY(fs::exists(path("out") / "first.bmp"));
        QVERIFY(fs::exists(path("out") / "second.bmp"));
        std::vector<std::string> proposed;
        for (const auto& shown : dialogs_.shown) {
            proposed.push_back(shown.proposed);
        }
        QCOMPARE(proposed, (std::vector<std::string>{"x.bmp", "y.bmp", "z.byr.bmp"}));
        const FileDialogRequest& r = dialogs_.shown.front().request;
        QVERIFY(r.kind == FileDialogRequest::Kind::Save);
        QCOMPARE(r.filter, std::string("All files (*.*)|*.*|*.bmp|*.bmp"));
        QCOMPARE(r.filterIndex, 2);
        QVERIFY(r.overwritePrompt && r.pathMustExist);
        QVERIFY(prompter_.shown.empty());
        QVERIFY(!QApplication::overrideCursor());

        // Pressed again it starts from the first file; all saved, Message 1 and the window closes.
        dialogs_.shown.clear();
        dialogs_.answers = {std::vector<fs::path>{path("out") / "a.bmp"}, std::vector<fs::path>{path("out") / "b.bmp"},
                            std::vector<fs::path>{path("out") / "c.bmp"}};
        findControlAs<QPushButton>(&window, "cmdOK")->click();
        QCOMPARE(dialogs_.shown.size(), std::size_t(3));
        QCOMPARE(boxes(), (std::vector<std::pair<std::string, long>>{{"Message", 1}}));
        QVERIFY(!window.isVisible());
        QCOMPARE(window.result(), int(QDialog::Accepted));
        // Each BMP is the picture of its own source.
        QVERIFY(readBytes(path("out") / "a.bmp") == readBytes(path("out") / "first.bmp"));
        QVERIFY(readBytes(path("out") / "a.bmp") != readBytes(path("out") / "b.bmp"));
    }

    void fileByFileStopsOnAFailure() {
        // An unreadable second file: the reader's box only, the window closes, pointer normal.
        addRawFile("a.BYR", 1);
        state_.gFileNames.push_back("gone.BYR");
        state_.gFilePaths.push_back((path("data") / "gone.BYR").string());
        addRawFile("c.BYR", 3);
        dialogs_.answers = {std::vector<fs::path>{path("out") / "a.bmp"}};
        {
            frmBinBmpConv window(state_, *messages_, dialogs_);
            window.show();
            findControlAs<QPushButton>(&window, "cmdOK")->click();
            QCOMPARE(prompter_.shown.size(), std::size_t(1));
            QCOMPARE(prompter_.shown[0].style & 0xF0, int(kStyleCritical));
            QVERIFY(!window.isVisible());
            QVERIFY(!QApplication::overrideCursor());
            QCOMPARE(dialogs_.shown.size(), std::size_t(1));
        }
        // A save that cannot be written (its folder is gone, or the name is a folder): its box
        // once, nothing left behind, the window stays open.
        fs::create_directories(path("out") / "taken.bmp");
        state_.gFileNames = {"a.BYR"};
        state_.gFilePaths = {(path("data") / "a.BYR").string()};
        for (const fs::path& target : {path("missing-folder") / "a.bmp", path("out") / "taken.bmp"}) {
            prompter_.shown.clear();
            dialogs_.answers = {std::vector<fs::path>{target}};
            frmBinBmpConv window(state_, *messages_, dialogs_);
            window.show();
            findControlAs<QPushButton>(&window, "cmdOK")->click();
            QCOMPARE(prompter_.shown.size(), std::size_t(1));
            QVERIFY(window.isVisible());
        }
        QVERIFY(fs::is_directory(path("out") / "taken.bmp"));
        for (const auto& entry : fs::directory_iterator(path("out"))) {
            QVERIFY2(entry.path().filename().string().find(".tmp") == std::string::npos, entry.path().c_str());
        }
    }

    void aSaveDialogThatFailsIsShownOnceAndTheWindowStays() {
        struct FailingDialogs : ScriptedFileDialogs {
            std::optional<std::vector<fs::path>> show(const FileDialogRequest&) override {
                throw std::runtime_error("the dialog could not open");
            }
        } failing;
        addRawFile("a.BYR", 1);
        frmBinBmpConv window(state_, *messages_, failing);
        window.show();
        findControlAs<QPushButton>(&window, "cmdOK")->click();
        QCOMPARE(prompter_.shown.size(), std::size_t(1));
        QCOMPARE(prompter_.shown[0].text, std::string("the dialog could not open"));
        QVERIFY(window.isVisible());
        QVERIFY(!QApplication::overrideCursor());
    }

    void autoButtonRunsOnlyAfterTheFolderWasChosen() {
        addRawFile("a.BYR", 1);
        frmBinBmpConv window(state_, *messages_, dialogs_);
        QVERIFY(!findControlAs<QPushButton>(&window, "cmdAuto")->isEnabled());
        int runs = 0;
        window.setAutoConvert([&] {
            ++runs;
            return true;
        });
        bool confirm = false;
        window.browseSaveFolder = [&] {
            if (confirm) {
                state_.gSaveFolder = (path("out") / "").string();
                state_.gBrowseOK = -1;
            }
        };
        window.show();
        auto* cmdAuto = findControlAs<QPushButton>(&window, "cmdAuto");
        cmdAuto->click();
        QVERIFY(window.isVisible());
        QCOMPARE(runs, 0);
        QCOMPARE(fileBoxLines(window), QStringList{"a.BYR"});
        confirm = true;
        dialogs_.fileName = "old.BYR";
        cmdAuto->click();
        QCOMPARE(runs, 1);
        QCOMPARE(state_.gBrowseOK, int16_t(0));
        QCOMPARE(dialogs_.fileName, std::string());
        QVERIFY(!window.isVisible());
    }

    void automaticRunUnderTheOperationWindowStopsBetweenFiles() {
        for (const char* name : {"a.BYR", "b.BYR", "c.BYR"}) {
            addRawFile(name, 9);
        }
        QWidget main;
        main.setWindowTitle("main");
        BatchCommands commands(state_, *messages_, dialogs_, &main);
        auto runWindow = [&] {
            frmBinBmpConv window(state_, *messages_, dialogs_, &main);
            window.setAutoConvert(commands.autoConvert);
            window.browseSaveFolder = [&] {
                state_.gSaveFolder = path("out").string() + "/";
                state_.gBrowseOK = -1;
            };
            window.show();
            findControlAs<QPushButton>(&window, "cmdAuto")->click();
            QVERIFY(!window.isVisible());
        };
        // Stop is pressed once the first file runs: its click is handled between files.
        QStringList progress;
        QTimer::singleShot(0, [&] {
            QWidget* wait = nullptr;
            for (QWidget* w : QApplication::topLevelWidgets()) {
                if (w->objectName() == "frmWait" && w->isVisible()) {
                    wait = w;
                }
            }
            QVERIFY(wait);
            QVERIFY(!main.isEnabled());
            QTimer::singleShot(0, [wait, &progress] {
                progress << findControlAs<QLabel>(wait, "lblRead")->text();
                findControlAs<QPushButton>(wait, "btnStop")->click();
            });
        });
        runWindow();
        QCOMPARE(progress, QStringList{"Converting file 1 / 3"});
        QVERIFY(fs::exists(path("out") / "a.bmp"));
        QVERIFY(!fs::exists(path("out") / "b.bmp"));
        QVERIFY(prompter_.shown.empty());
        QVERIFY(main.isEnabled());

        // Left alone, it converts all three and says so.
        state_.gFileNames = {"a.BYR", "b.BYR", "c.BYR"};
        runWindow();
        QCOMPARE(boxes(), (std::vector<std::pair<std::string, long>>{{"Message", 1}}));
        QVERIFY(fs::exists(path("out") / "c.bmp"));
        for (QWidget* w : QApplication::topLevelWidgets()) {
            QVERIFY(!(w->objectName() == "frmWait" && w->isVisible()));
        }
    }

    void searchBrowserReturnsEveryFileOfTheChosenKind() {
        const fs::path d = path("data");
        for (const char* name : {"b.BYR", "a.byr", "C.Byr", "g.GRY", "note.txt"}) {
            folder_->write(std::string("data/") + name, "x");
        }
        fs::create_directories(d / "sub");
        fs::create_directories(d / "empty");
        folder_->write("data/sub/s.GRY", "x");
        state_.gFileNames = {"old"};
        frmDirSearch browser(state_, *messages_, nullptr, {{"/", ""}}, d);
        auto* cmdOpen = findControlAs<QPushButton>(&browser, "cmdOpen");
        QCOMPARE(listed(&browser, "File1"), (QStringList{"a.byr", "b.BYR", "C.Byr"}));
        QVERIFY(cmdOpen->isEnabled());
        QCOMPARE(findControlAs<QComboBox>(&browser, "cboPattern")->currentText(), QString("Image files (*.BYR)"));

        browser.choosePattern(1);
        QCOMPARE(listed(&browser, "File1"), QStringList{"g.GRY"});
        // A folder without such files cannot be confirmed, whichever control changed last.
        const QStringList dirs = listed(&browser, "Dir1");
        browser.openFolderEntry(int(dirs.indexOf("empty")));
        QCOMPARE(browser.currentFolder(), d / "empty");
        QVERIFY(!cmdOpen->isEnabled());
        browser.openFolderEntry(int(listed(&browser, "Dir1").indexOf("data")));
        QVERIFY(cmdOpen->isEnabled());
        browser.choosePattern(0);
        QVERIFY(cmdOpen->isEnabled());
        browser.openFolderEntry(int(listed(&browser, "Dir1").indexOf("sub")));
        QVERIFY(!cmdOpen->isEnabled());
        cmdOpen->click();
        QCOMPARE(state_.gFileNames, std::vector<std::string>{"old"});
        QCOMPARE(state_.gBrowseOK, int16_t(0));

        browser.openFolderEntry(int(listed(&browser, "Dir1").indexOf("data")));
        cmdOpen->click();
        QCOMPARE(state_.gFileNames, (std::vector<std::string>{"a.byr", "b.BYR", "C.Byr"}));
        QCOMPARE(state_.gFilePaths[2], (d / "C.Byr").string());
        QCOMPARE(state_.gBrowseOK, int16_t(-1));
        QVERIFY(prompter_.shown.empty());
    }

    void cancelChangesNothing() {
        state_.gFileNames = {"keep"};
        state_.gSaveFolder = "/keep/";
        folder_->write("data/a.BYR", "x");
        frmDirSearch search(state_, *messages_, nullptr, {{"/", ""}}, path("data"));
        findControlAs<QPushButton>(&search, "cmdCancel")->click();
        frmDirSave save(state_, *messages_, nullptr, {{"/", ""}}, path("data"));
        findControlAs<QPushButton>(&save, "cmdCancel")->click();
        QCOMPARE(state_.gFileNames, std::vector<std::string>{"keep"});
        QCOMPARE(state_.gSaveFolder, std::string("/keep/"));
        QCOMPARE(state_.gBrowseOK, int16_t(0));
    }

    void saveBrowserGivesTheFolderWithOneSeparator() {
        struct Case {
            fs::path start;
            std::string expected;
        };
        const Case cases[] = {{"/", "/"}, {path("out"), (path("out")).string() + "/"}};
        folder_->write("out/pic.BMP", "x");
        folder_->write("out/raw.BYR", "x");
        for (const Case& c : cases) {
            state_.gBrowseOK = 0;
            frmDirSave browser(state_, *messages_, nullptr, {{"/", ""}}, c.start);
            if (c.start != "/") {
                QCOMPARE(listed(&browser, "File1"), QStringList{"pic.BMP"});
            }
            findControlAs<QPushButton>(&browser, "cmdSave")->click();
            QCOMPARE(state_.gSaveFolder, c.expected);
            QCOMPARE(state_.gBrowseOK, int16_t(-1));
        }
    }

    void unreadableDriveAsksRetryOrCancel() {
        const std::vector<BrowserDrive> drives = {{folder_->path(), ""}, {path("no-medium"), "USB"}};
        frmDirSearch browser(state_, *messages_, nullptr, drives, path("data"));
        auto* drive1 = findControlAs<QComboBox>(&browser, "Drive1");
        QCOMPARE(drive1->currentIndex(), 0);
        prompter_.answers = {4 /* Retry */, kAnswerCancel};
        drive1->setCurrentIndex(1);
        browser.changeDrive(1);
        QCOMPARE(prompter_.shown.size(), std::size_t(2));
        QCOMPARE(prompter_.shown[0].style, kStyleRetryCancel + kStyleInformation);
        QCOMPARE(prompter_.shown[0].title, std::string(kAppTitle));
        QVERIFY(prompter_.shown[0].text.find("no-medium") != std::string::npos);
        QCOMPARE(drive1->currentIndex(), 0);
        QCOMPARE(browser.currentFolder(), path("data"));

        // Once the medium is there, the drive opens at its root, and going back to the first
        // drive returns to the folder shown there before.
        fs::create_directories(path("no-medium"));
        browser.changeDrive(1);
        QCOMPARE(browser.currentFolder(), path("no-medium"));
        browser.changeDrive(0);
        QCOMPARE(browser.currentFolder(), path("data"));
    }

    void driveListAndPatterns() {
        struct Mount {
            const char* type;
            const char* point;
            bool offered;
        };
        const Mount mounts[] = {
            {"ext4", "/", true},          {"proc", "/proc", false},           {"sysfs", "/sys", false},
            {"tmpfs", "/run", false},     {"vfat", "/run/media/u/CARD", true}, {"vfat", "/media/u/STICK", true},
            {"devpts", "/dev/pts", false}, {"cgroup2", "/sys/fs/cgroup", false}, {"ext4", "/home", true},
            {"tmpfs", "/tmp", true},      {"overlay", "/", true},              {"squashfs", "/snap/core/1", false},
        };
        std::vector<std::pair<std::string, BrowserDrive>> list;
        for (const Mount& m : mounts) {
            QCOMPARE(isUserFileSystem(m.type, m.point), m.offered);
            list.push_back({m.type, {m.point, ""}});
        }
        const std::vector<BrowserDrive> drives = browserDrives(list, "/home/u");
        std::vector<std::string> roots;
        for (const BrowserDrive& d : drives) {
            roots.push_back(d.root.string());
        }
        QCOMPARE(roots, (std::vector<std::string>{"/", "/home/u", "/run/media/u/CARD", "/media/u/STICK", "/home", "/tmp"}));
        QCOMPARE(driveOf(drives, "/home/u/pictures"), std::size_t(1));
        QCOMPARE(driveOf(drives, "/home/other"), std::size_t(4));
        QCOMPARE(driveOf(drives, "/homework"), std::size_t(0));

        struct Match {
            const char* name;
            const char* pattern;
            bool matches;
        };
        const Match matches[] = {{"x.BYR", "*.BYR", true},   {"x.byr", "*.BYR", true}, {"x.Byr.bak", "*.BYR", false},
                                 {".BYR", "*.BYR", true},    {"x.GRY", "*.BYR", false}, {"a.bmp", "*.bmp", true},
                                 {"ab.BMP", "?b.bmp", true}, {"b.BMP", "?b.bmp", false}};
        for (const Match& m : matches) {
            QVERIFY2(matchesPattern(m.name, m.pattern) == m.matches, m.name);
        }
    }
};

QTEST_MAIN(BatchWindowsTest)
#include "batch_windows_test.moc"
