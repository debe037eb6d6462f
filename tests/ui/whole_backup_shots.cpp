// Screenshots of a whole-controller backup in progress under Xvfb (scripts/screens-whole). Not a
// test: it runs the System menu's backup as main() wires it against a simulator paced like a
// serial line and takes the shot with ImageMagick's import while frmWait counts the files.
//   whole_backup_shots PROGRAM_FOLDER PLNSIM LANGUAGE(0 Japanese, 1 English) OUT_FOLDER

#include "ui/qt/control_index.h"
#include "ui/windows/frm_main.h"
#include "ui/panels/link_controls.h"
#include "ui/shell/pln_application.h"
#include "recording_prompter.h"
#include "scripted_file_dialogs.h"
#include "ui/panels/whole_backup_menus.h"

#include "link/device_link.h"

#include <QAction>
#include <QApplication>
#include <QProcess>
#include <QTimer>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include <unistd.h>

namespace fs = std::filesystem;

namespace {

void shoot(const QString& file)
{
    QRect r;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible())
            r = r.united(w->frameGeometry());
    QProcess::execute(QStringLiteral("import"),
                      {QStringLiteral("-window"), QStringLiteral("root"), QStringLiteral("-crop"),
                       QStringLiteral("%1x%2+%3+%4").arg(r.width()).arg(r.height()).arg(r.x()).arg(r.y()), file});
}

} // namespace

int main(int argc, char** argv)
{
    QApplication qtApp(argc, argv);
    if (argc < 5)
        return 2;
    const fs::path texts = argv[1];
    const QString plnsim = QString::fromLocal8Bit(argv[2]);
    const int language = std::atoi(argv[3]);
    const QString out = QString::fromLocal8Bit(argv[4]);
    const QString name = language == 0 ? QStringLiteral("jpn") : QStringLiteral("eng");

    const fs::path folder = fs::temp_directory_path() / ("plnwhole-" + std::to_string(::getpid()));
    fs::create_directories(folder / "backup");
    for (const char* f : {"LabelJPN.ini", "LabelENG.ini", "MessageJPN.ini", "MessageENG.ini"})
        fs::copy_file(texts / f, folder / f, fs::copy_options::overwrite_existing);
    std::ofstream(folder / "Setting.ini") << "[OPERATION]\r\nLanguage=" << (language == 0 ? "Japanese" : "English")
                                          << "\r\n[COM]\r\nPort=1\r\nSetting=115200,N,8,1\r\nDelimitr=0\r\n";

    QProcess sim;
    const QString com1 = QString::fromStdString((folder / "com1").string());
    sim.start(plnsim, {QStringLiteral("--pty"), com1, QStringLiteral("--baud"), QStringLiteral("115200")});
    sim.waitForReadyRead(5000);
    qputenv("PLNTOOL_COM1", com1.toLocal8Bit());

    RecordingPrompter prompter;  // the box at the end is not part of the shot
    PlnApplication app(folder, prompter);
    app.terminate = [](int) {};
    LinkControls link(&app.mainWindow(), app.state(), app.messenger());
    app.openSerialPort = [&link] { return link.openSerialAtStartup(); };
    ScriptedFileDialogs dialogs;
    dialogs.choose(folder / "backup");
    WholeBackupMenus whole(&app.mainWindow(), link.link(), dialogs);
    if (!app.start())
        return 1;
    frmMain& window = app.mainWindow();
    window.move(0, 0);
    window.show();

    QTimer::singleShot(1000, &window, [&] {
        // Well into the banks: the counter, the file, the bar and the time left, then Stop.
        QTimer::singleShot(5000, &window, [&] {
            shoot(out + QStringLiteral("/frmwait-whole-%1.png").arg(name));
            app.state().gStopRequest = -1;
        });
        findControlAs<QAction>(&window, QStringLiteral("mnuSystemBackupAll"))->trigger();
        qtApp.quit();
    });
    const int status = qtApp.exec();
    sim.terminate();
    sim.waitForFinished();
    fs::remove_all(folder);
    return status;
}
