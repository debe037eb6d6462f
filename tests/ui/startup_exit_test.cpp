// Start-up and exit of the program in-process: working folders, Setting.ini, stale temporary
// files, the serial port hook, the language written back, the connection controls, and every
// way of quitting running the exit routine once.

#include "ui/qt/control_index.h"
#include "ui/windows/frm_main.h"
#include "ui/qt/picture_box.h"
#include "ui/shell/pln_application.h"
#include "recording_prompter.h"
#include "temp_folder.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QScrollBar>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

#include <cstdlib>
#include <optional>

namespace fs = std::filesystem;

namespace {

const char* const kDefaultSettings = "[OPERATION]\r\nLanguage=Japanese\r\n[COM]\r\nPort=1\r\n"
                                     "Setting=38400,N,8,1\r\nDelimitr=0\r\n";

// The program with its process ending recorded instead of performed.
struct Program {
    RecordingPrompter prompter;
    PlnApplication app;
    std::optional<int> exitStatus;
    int measurementStops = 0;

    explicit Program(const fs::path& folder) : app(folder, prompter) {
        app.terminate = [this](int status) { exitStatus = status; };
        app.stopMeasurement = [this] { ++measurementStops; };
    }
    template <typename T>
    T* control(const char* name, int index = -1) {
        return findControlAs<T>(&app.mainWindow(), name, index);
    }
};

// Sets an environment variable for one test and puts the old value back.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) {
            old_ = old;
        }
        value ? ::setenv(name, value, 1) : ::unsetenv(name);
    }
    ~ScopedEnv() { old_ ? ::setenv(name_, old_->c_str(), 1) : ::unsetenv(name_); }

private:
    const char* name_;
    std::optional<std::string> old_;
};

} // namespace

class StartupExitTest : public QObject {
    Q_OBJECT

private slots:
    void firstStartCreatesFoldersAndDefaultSettings() {
        TempFolder folder;
        Program program(folder.path());
        QVERIFY(program.app.start());
        for (const char* name : {"TMP", "IMAGE", "SYSTEM", "BANK", "BANKGRP"}) {
            QVERIFY2(fs::is_directory(folder / name), name);
        }
        QCOMPARE(folder.read("Setting.ini"), std::string(kDefaultSettings));
        const AppState& state = program.app.state();
        QCOMPARE(state.gLinkMode, int16_t(0)); // no serial port behind the hook yet
        QCOMPARE(state.gLanDelimiter, std::string("\r"));
        QCOMPARE(state.gComSettings, std::string("38400,N,8,1"));
        QVERIFY(program.prompter.shown.empty());
        QVERIFY(!program.exitStatus);
    }

    void anOpenedSerialPortMakesTheLinkSerial() {
        TempFolder folder;
        Program program(folder.path());
        int opens = 0;
        program.app.openSerialPort = [&] {
            ++opens;
            // The port opens with the settings already loaded.
            return program.app.state().gComSettings == "38400,N,8,1";
        };
        QVERIFY(program.app.start());
        QCOMPARE(opens, 1);
        QCOMPARE(program.app.state().gLinkMode, int16_t(1));
    }

    void aSecondProgramOnTheSameFolderIsToldAndEndsLeavingTheWorkFiles() {
        TempFolder folder;
        folder.write("Setting.ini", "[OPERATION]\r\nLanguage=English\r\n");
        folder.write("MessageENG.ini", "[Message]\r\n280=Already running.@48\r\n");
        auto first = std::make_unique<Program>(folder.path());
        QVERIFY(first->app.start());
        folder.write("TMP/tmp.bmp", "the first program's picture");
        {
            Program second(folder.path());
            QVERIFY(!second.app.start());
            QCOMPARE(second.exitStatus, std::optional<int>(1));
            QCOMPARE(second.prompter.shown.size(), std::size_t(1));
            QCOMPARE(second.prompter.shown[0].number, kMsgAlreadyRunning);
        }
        QCOMPARE(folder.read("TMP/tmp.bmp"), std::string("the first program's picture"));
        // Once the first program has gone, the folder is free again.
        first.reset();
        Program third(folder.path());
        QVERIFY(third.app.start());
    }

    void staleTempFilesGoOthersStay() {
        TempFolder folder;
        fs::create_directories(folder / "TMP");
        fs::create_directories(folder / "BANK");
        for (const char* name : {"TMP/tmp.bin", "TMP/tmp_2.bin", "TMP/tmp.bmp", "TMP/keep.bin",
                                 "TMP/tmp.bin.old", "BANK/tmp.bin"}) {
            folder.write(name, "x");
        }
        Program program(folder.path());
        QVERIFY(program.app.start());
        for (const char* gone : {"TMP/tmp.bin", "TMP/tmp_2.bin", "TMP/tmp.bmp"}) {
            QVERIFY2(!fs::exists(folder / gone), gone);
        }
        for (const char* kept : {"TMP/keep.bin", "TMP/tmp.bin.old", "BANK/tmp.bin"}) {
            QVERIFY2(fs::exists(folder / kept), kept);
        }
    }

    void languageIsWrittenBackAtExit_data() {
        QTest::addColumn<QString>("written");
        QTest::addColumn<QString>("lang");
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("rewritten");
        QTest::newRow("english") << "english" << "C" << 1 << "English";
        QTest::newRow("ENGLISH") << "ENGLISH" << "ja_JP.UTF-8" << 1 << "English";
        QTest::newRow("japanese") << "japanese" << "en_US.UTF-8" << 0 << "Japanese";
        QTest::newRow("unknown, ja") << "Deutsch" << "ja_JP.UTF-8" << 0 << "Japanese";
        QTest::newRow("unknown, en") << "Deutsch" << "en_GB.UTF-8" << 1 << "English";
        QTest::newRow("empty") << "" << "en_GB.UTF-8" << 0 << "Japanese";
    }
    void languageIsWrittenBackAtExit() {
        QFETCH(QString, written);
        QFETCH(QString, lang);
        QFETCH(int, language);
        QFETCH(QString, rewritten);
        ScopedEnv lcAll("LC_ALL", nullptr);
        ScopedEnv lcMessages("LC_MESSAGES", nullptr);
        ScopedEnv langEnv("LANG", lang.toLatin1().constData());

        TempFolder folder;
        folder.write("Setting.ini", "[OPERATION]\r\nLanguage=" + written.toStdString() +
                                        "\r\n[COM]\r\nPort=3\r\nSetting=9600,E,7,2\r\nDelimitr=1\r\n");
        Program program(folder.path());
        QVERIFY(program.app.start());
        QCOMPARE(program.app.state().gLanguage, language);
        // Qt's own texts (standard buttons, file dialogs) speak the same language.
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel") == "Cancel", language == 1);

        fs::create_directories(folder / "TMP");
        folder.write("TMP/tmp.bmp", "picture of this run");
        folder.write("TMP/notes.txt", "kept");
        program.app.fncExitApplication();
        QCOMPARE(program.exitStatus, std::optional<int>(0));
        QCOMPARE(program.measurementStops, 1);
        QVERIFY(!fs::exists(folder / "TMP/tmp.bmp"));
        QVERIFY(fs::exists(folder / "TMP/notes.txt"));
        QCOMPARE(folder.read("Setting.ini"),
                 "[OPERATION]\r\nLanguage=" + rewritten.toStdString() +
                     "\r\n[COM]\r\nPort=3\r\nSetting=9600,E,7,2\r\nDelimitr=1\r\n");
    }

    // Options > Language writes the language for the next start at once, says so, and the
    // exit routine does not put the running window's language back.
    void languageChosenInOptionsTakesEffectAtTheNextStart() {
        TempFolder folder;
        folder.write("Setting.ini", "[OPERATION]\r\nLanguage=Japanese\r\n");
        folder.write("MessageJPN.ini", "[Message]\r\n340=At the next start.@64\r\n");
        Program program(folder.path());
        QVERIFY(program.app.start());
        QVERIFY(program.control<QAction>("mnuLanguageSelect", 0)->isChecked());
        QVERIFY(!program.control<QAction>("mnuLanguageSelect", 1)->isChecked());

        program.control<QAction>("mnuLanguageSelect", 1)->trigger();
        QVERIFY(folder.read("Setting.ini").find("Language=English\r\n") != std::string::npos);
        QCOMPARE(program.prompter.shown.size(), size_t(1));
        QCOMPARE(program.prompter.shown[0].number, 340L);
        QCOMPARE(program.app.state().gLanguage, 0);
        QVERIFY(program.control<QAction>("mnuLanguageSelect", 1)->isChecked());

        program.app.fncExitApplication();
        QVERIFY(folder.read("Setting.ini").find("Language=English\r\n") != std::string::npos);
    }

    void everyWayOfQuittingRunsTheExitRoutineOnce() {
        for (int way = 0; way < 3; ++way) {
            TempFolder folder;
            Program program(folder.path());
            QVERIFY(program.app.start());
            program.app.mainWindow().show();
            switch (way) {
            case 0: program.control<QAction>("mnuQuit")->trigger(); break;
            case 1: QVERIFY(program.app.mainWindow().close()); break; // never cancelled
            case 2: program.app.requestClose(); break;                // SIGTERM, session end
            }
            QCOMPARE(program.exitStatus, std::optional<int>(0));
            QCOMPARE(program.measurementStops, 1);
            QVERIFY(folder.read("Setting.ini").find("Language=Japanese") != std::string::npos);

            // A close box pressed while the routine waits on a message box does not run it again.
            program.control<QAction>("mnuQuit")->trigger();
            QCOMPARE(program.measurementStops, 1);
        }
    }

    void secondCloseRequestDuringExitEndsAtOnce() {
        TempFolder folder;
        Program program(folder.path());
        QVERIFY(program.app.start());
        std::vector<int> statuses;
        program.app.terminate = [&](int status) { statuses.push_back(status); };
        // The measurement stop waits on a box; the session ends meanwhile.
        program.app.stopMeasurement = [&] { program.app.requestClose(); };
        program.app.fncExitApplication();
        QCOMPARE(statuses, (std::vector<int>{0, 0}));
    }

    // Help > Contents asks the desktop to open the manual of the interface language, from the
    // program folder whatever the working folder; a compiled help file there comes first.
    void helpContentsOpensTheManualOfTheLanguage() {
        TempFolder folder;
        for (const char* name : {"PLN_HELP_JPN.html", "PLN_HELP_ENG.html"}) {
            folder.write(name, "<html></html>");
        }
        QVERIFY(QDir::setCurrent(QDir::tempPath()));
        auto openedBy = [&folder](const char* language) {
            folder.write("Setting.ini", std::string("[OPERATION]\r\nLanguage=") + language + "\r\n");
            Program program(folder.path());
            std::vector<QUrl> opened;
            program.app.openUrl = [&opened](const QUrl& url) {
                opened.push_back(url);
                return true;
            };
            program.app.start();
            program.control<QAction>("mnuContents")->trigger();
            return opened.size() == 1 ? opened[0].toLocalFile() : QString("%1 opened").arg(opened.size());
        };
        auto inFolder = [&folder](const char* name) { return QString::fromStdString((folder / name).string()); };
        QCOMPARE(openedBy("Japanese"), inFolder("PLN_HELP_JPN.html"));
        QCOMPARE(openedBy("English"), inFolder("PLN_HELP_ENG.html"));
        folder.write("PLN_HELP_ENG.chm", "compiled");
        QCOMPARE(openedBy("English"), inFolder("PLN_HELP_ENG.chm"));
        fs::remove(folder / "PLN_HELP_JPN.html");
        QCOMPARE(openedBy("Japanese"), QString("0 opened")); // no manual: nothing happens
    }

    // No xdg-open and no browser on the PATH: Help says so in the window's language and gives
    // the manual's path instead of doing nothing.
    void helpWithoutAViewerNamesTheManual() {
        TempFolder folder, emptyPath;
        for (const char* name : {"PLN_HELP_JPN.html", "PLN_HELP_ENG.html"}) {
            folder.write(name, "<html></html>");
        }
        folder.write("MessageJPN.ini", "[Message]\r\n290=Japanese: no viewer.\\nOpen this file:@48\r\n");
        folder.write("MessageENG.ini", "[Message]\r\n290=English: no viewer.\\nOpen this file:@48\r\n");
        ScopedEnv path("PATH", emptyPath.path().c_str());
        ScopedEnv browser("BROWSER", nullptr);
        ScopedEnv defaultBrowser("DEFAULT_BROWSER", nullptr);
        for (const char* language : {"English", "Japanese"}) {
            folder.write("Setting.ini", std::string("[OPERATION]\r\nLanguage=") + language + "\r\n");
            Program program(folder.path());
            QVERIFY(program.app.start());
            program.prompter.shown.clear();
            program.control<QAction>("mnuContents")->trigger();
            QCOMPARE(program.prompter.shown.size(), std::size_t(1));
            const BoxRequest& box = program.prompter.shown[0];
            const std::string manual =
                (folder / (std::string(language) == "English" ? "PLN_HELP_ENG.html" : "PLN_HELP_JPN.html")).string();
            QCOMPARE(box.text, std::string(language) + ": no viewer.\r\nOpen this file:\r\n\r\n" + manual);
            QCOMPARE(box.style, 48);
            QCOMPARE(box.number, 290L);
        }
    }

    void connectionControlsAfterStartupAndOptionClicks() {
        TempFolder folder;
        Program program(folder.path());
        QVERIFY(program.app.start());
        program.app.mainWindow().show();
        auto* serial = program.control<QRadioButton>("Serial");
        auto* lan = program.control<QRadioButton>("Lan");
        auto* address = program.control<QComboBox>("txtIPaddress");
        auto* addressLabel = program.control<QLabel>("IPAddrLabel");
        auto* connectButton = program.control<QPushButton>("cmdConnect");
        auto* closeButton = program.control<QPushButton>("cmdCloseConnection");
        QVERIFY(serial->isChecked() && serial->isEnabled() && lan->isEnabled());
        QVERIFY(!address->isEnabled() && !addressLabel->isEnabled());
        QVERIFY(connectButton->isEnabled() && !closeButton->isEnabled()); // no link yet
        QVERIFY(address->isEditable());

        lan->click();
        QVERIFY(lan->isChecked());
        QVERIFY(address->isEnabled() && addressLabel->isEnabled());
        serial->click();
        QVERIFY(!address->isEnabled() && !addressLabel->isEnabled());
        QVERIFY(connectButton->isEnabled() && !closeButton->isEnabled());
    }

    void imageNumberListAndPicture() {
        frmMain w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        auto* list = findControlAs<QListWidget>(&w, "lstImageNo");
        QCOMPARE(list->count(), frmMain::kImageNumbers);
        QCOMPARE(list->item(99)->text(), QString("99"));
        // One number shows at a time; the one on top is the one chosen.
        QVERIFY(list->visualItemRect(list->item(1)).top() >= list->viewport()->height());
        list->verticalScrollBar()->setValue(42);
        QCOMPARE(list->indexAt(QPoint(1, 1)).row(), 42);
        QCOMPARE(list->currentRow(), 42);

        PictureBox* picture = w.picCnvBmp();
        QCOMPARE(picture->size(), QSize(608, 464));
        QImage image(608, 464, QImage::Format_RGB32);
        image.fill(Qt::red);
        picture->setPicture(image);
        QCOMPARE(picture->size(), QSize(608, 464)); // 1:1, never scaled
        w.resize(500, 400);                          // smaller than the picture: it scrolls
        QCoreApplication::processEvents();
        QVERIFY(picture->visibleRegion().boundingRect().width() < 608);
        QCOMPARE(picture->size(), QSize(608, 464));
    }

    void mainWindowHasItsNamedControls() {
        frmMain w;
        const char* plain[] = {
            "Frame1", "Picture1", "cmdCapture", "fraImage", "lstImageNo", "cmdConvert", "cmdLoad",
            "picCnvBmp", "FraMesure", "cmdMeasure", "fraGetMesure", "cmdGetMesure", "CommMethod",
            "Serial", "Lan", "Frame2", "txtIPaddress", "IPAddrLabel", "cmdConnect",
            "cmdCloseConnection", "StatusDisp", "Status", "lblTitle", "mnuFile", "mnuBinsave2",
            "mnuBinload2", "mnuBmpSave", "mnuBmpLoad", "mnuBinBmpConv2", "mnuEachConv2",
            "mnuAllConv2", "mnuQuit", "mnuSystem", "mnuSystemSave", "mnuSystemLoad", "MnuBank",
            "mnuBankSave", "mnuBankLoad", "mnuBankChange", "mnuBankGroup", "mnuBankGroupSave",
            "mnuBankGroupLoad", "mnuBankGroupChange", "mnuOption", "mnuConvert", "mnuComSet",
            "mnuTelnetSetting", "mnuLanSet", "mnuHelp", "mnuContents", "mnuVersion",
            "mnuSeparate1", "mnuSeparate2", "mnuSeparate3", "mnuSeparate4"};
        for (const char* name : plain) {
            QVERIFY2(findControl(&w, name), name);
        }
        struct Array {
            const char* name;
            int count;
        };
        const Array arrays[] = {{"lblItem", 8}, {"lblValue", 8}, {"optSelect", 2}, {"optMesure", 3},
                                {"mnuBankSelect", 32}, {"mnuBankLoadSelect", 32},
                                {"mnuBankChangeSelect", 32}, {"mnuBankGroupSelect", 32},
                                {"mnuBankGroupLoadSelect", 32}, {"mnuBankGroupChangeSelect", 32}};
        for (const Array& a : arrays) {
            for (int i = 0; i < a.count; ++i) {
                QVERIFY2(findControl(&w, a.name, i), qPrintable(QString("%1(%2)").arg(a.name).arg(i)));
            }
            QVERIFY(!findControl(&w, a.name, a.count));
        }
        // The image-dependent entries wait for an image.
        QVERIFY(!findControlAs<QAction>(&w, "mnuBinsave2")->isEnabled());
        QVERIFY(!findControlAs<QAction>(&w, "mnuBmpSave")->isEnabled());
        QVERIFY(!findControlAs<QPushButton>(&w, "cmdLoad")->isEnabled());
        // The open entries and the image buttons wait for the image code to connect them.
        QVERIFY(!findControlAs<QAction>(&w, "mnuBinload2")->isEnabled());
        QVERIFY(!findControlAs<QPushButton>(&w, "cmdConvert")->isEnabled());
    }
};

QTEST_MAIN(StartupExitTest)
#include "startup_exit_test.moc"
