#include "ui/shell/app_icon.h"
#include "ui/panels/bank_menus.h"
#include "ui/panels/batch_menu.h"
#include "ui/windows/frm_main.h"
#include "ui/panels/image_controls.h"
#include "ui/panels/link_controls.h"
#include "ui/qt/message_box_prompter.h"
#include "ui/shell/pln_application.h"
#include "app/program_folder.h"
#include "ui/qt/qt_file_dialogs.h"
#include "ui/shell/termination_signals.h"
#include "ui/panels/whole_backup_menus.h"

#include "link/device_link.h"

#include <QApplication>
#include <QFile>
#include <QSessionManager>

#include <cstdio>
#include <cstring>

int main(int argc, char* argv[]) {
    // Answered before any window system is needed.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("PLNTOOL %d.%d.%d\n", PLNTOOL_VERSION_MAJOR, PLNTOOL_VERSION_MINOR, PLNTOOL_VERSION_PATCH);
            return 0;
        }
    }
    QApplication qtApp(argc, argv);
    QApplication::setApplicationName(QStringLiteral("PLNTOOL"));
    QApplication::setDesktopFileName(QStringLiteral("plntool"));
    QApplication::setWindowIcon(appIcon());

    // Before anything else, so that a close request during start-up waits for the event loop.
    TerminationSignals termination;
    termination.install();

    MessageBoxPrompter prompter;
    const ProgramFolders folders =
        chooseProgramFolders(QFile::encodeName(QCoreApplication::applicationDirPath()).toStdString());
    PlnApplication app(folders.settings, prompter);
    app.state().textFolder = folders.texts;
    QObject::connect(&termination, &TerminationSignals::closeRequested, &app,
                     [&app](int) { app.requestClose(); });
    QObject::connect(&qtApp, &QGuiApplication::commitDataRequest, &app,
                     [&app](QSessionManager&) { app.requestClose(); });

    // The connection panel, the measurement panels and the link's menus.
    LinkControls link(&app.mainWindow(), app.state(), app.messenger());
    app.openSerialPort = [&link] { return link.openSerialAtStartup(); };
    app.stopMeasurement = [&link] { link.stopMeasurementAtExit(); };

    // The main window's one common file dialog: every command that asks for a file shares it
    // and the file name it remembers.
    QtFileDialogs fileDialogs(&app.mainWindow());
    // The System, Bank and Bank group menus.
    BankMenus banks(&app.mainWindow(), link.link(), fileDialogs);
    WholeBackupMenus whole(&app.mainWindow(), link.link(), fileDialogs);
    BatchCommands batch(app.state(), app.messenger(), fileDialogs, &app.mainWindow());
    batch.attachMenu();
    // The picture, the File menu's image entries and the capture, download and upload buttons.
    ImageControls image(&app.mainWindow(), link.link(), fileDialogs);

    if (!app.start()) {
        return 1;
    }
    app.mainWindow().show();
    return qtApp.exec();
}
