// The built PLNTOOL run as a child process (offscreen) in a copy of its program folder:
// the first start lays out the folder, SIGTERM runs the exit routine and ends with status 0.

#include "temp_folder.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QThread>
#include <QtTest>

#include <csignal>
#include <functional>

namespace fs = std::filesystem;

namespace {

const std::string kDefaultSettings = "[OPERATION]\r\nLanguage=Japanese\r\n[COM]\r\nPort=1\r\n"
                                     "Setting=38400,N,8,1\r\nDelimitr=0\r\n";

// A copy of the built program folder as it is shipped: the program and its text files, no
// working folders and no Setting.ini.
void copyProgramFolder(const fs::path& to) {
    fs::copy_file(PLNTOOL_EXECUTABLE, to / "PLNTOOL");
    for (const auto& entry : fs::directory_iterator(PLNTOOL_PROGRAM_DIR)) {
        const std::string name = entry.path().filename().string();
        if (entry.is_regular_file() && name != "Setting.ini" && entry.path().extension() == ".ini") {
            fs::copy_file(entry.path(), to / name);
        }
    }
}

// Waits for a condition on the files the child writes (it has no other way to tell).
bool waitFor(const std::function<bool()>& condition, int ms = 20000) {
    QDeadlineTimer deadline(ms);
    while (!condition()) {
        if (deadline.hasExpired()) {
            return false;
        }
        QThread::msleep(20);
    }
    return true;
}

class Child {
public:
    explicit Child(const fs::path& folder) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("LANG", "C.UTF-8");
        env.remove("LC_ALL");
        env.remove("LC_MESSAGES");
        // No serial port can open in a test.
        for (int n = 1; n <= 16; ++n) {
            env.insert(QString("PLNTOOL_COM%1").arg(n), "/nonexistent/tty");
        }
        process_.setProcessEnvironment(env);
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.setWorkingDirectory(QDir::tempPath());
        process_.start(QString::fromStdString((folder / "PLNTOOL").string()), {});
    }
    ~Child() {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished(5000);
        }
    }
    bool started() { return process_.waitForStarted(10000); }
    void terminate() { ::kill(pid_t(process_.processId()), SIGTERM); }
    bool finished() { return process_.waitForFinished(20000); }
    QProcess& process() { return process_; }

private:
    QProcess process_;
};

} // namespace

class ProgramProcessTest : public QObject {
    Q_OBJECT

private slots:
    void firstStartInAnEmptyProgramFolder() {
        TempFolder folder;
        copyProgramFolder(folder.path());
        Child child(folder.path());
        QVERIFY(child.started());
        QVERIFY(waitFor([&] { return folder.read("Setting.ini") == kDefaultSettings; }));
        child.terminate();
        QVERIFY(child.finished());
        QCOMPARE(child.process().exitStatus(), QProcess::NormalExit);
        QCOMPARE(child.process().exitCode(), 0);
        for (const char* name : {"TMP", "IMAGE", "SYSTEM", "BANK", "BANKGRP"}) {
            QVERIFY2(fs::is_directory(folder / name), name);
        }
        QCOMPARE(folder.read("Setting.ini"), kDefaultSettings);
    }

    void sigtermRunsTheExitRoutine() {
        TempFolder folder;
        copyProgramFolder(folder.path());
        folder.write("Setting.ini", "[OPERATION]\r\nLanguage=english\r\n[COM]\r\nPort=1\r\n"
                                    "Setting=38400,N,8,1\r\nDelimitr=0\r\n");
        fs::create_directories(folder / "TMP");
        for (const char* name : {"TMP/tmp.bin", "TMP/tmp_2.bin", "TMP/tmp.bmp", "TMP/other.bin"}) {
            folder.write(name, "stale");
        }
        Child child(folder.path());
        QVERIFY(child.started());
        // Start-up deletes the stale files before the window shows.
        QVERIFY(waitFor([&] {
            return !fs::exists(folder / "TMP/tmp.bin") && !fs::exists(folder / "TMP/tmp_2.bin") &&
                   !fs::exists(folder / "TMP/tmp.bmp");
        }));
        QVERIFY(fs::exists(folder / "TMP/other.bin"));
        // A picture left by this run goes at exit.
        folder.write("TMP/tmp.bmp", "this run");
        child.terminate();
        QVERIFY(child.finished());
        QCOMPARE(child.process().exitStatus(), QProcess::NormalExit);
        QCOMPARE(child.process().exitCode(), 0);
        QVERIFY(!fs::exists(folder / "TMP/tmp.bmp"));
        QVERIFY(fs::exists(folder / "TMP/other.bin"));
        QCOMPARE(folder.read("Setting.ini"),
                 std::string("[OPERATION]\r\nLanguage=English\r\n[COM]\r\nPort=1\r\n"
                             "Setting=38400,N,8,1\r\nDelimitr=0\r\n"));
    }
};

QTEST_GUILESS_MAIN(ProgramProcessTest)
#include "program_process_test.moc"
