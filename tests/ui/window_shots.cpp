// Screenshots of the main window and of Qt's standard dialogs in both languages, for the
// manual and for checking the layout by eye. Run under Xvfb (scripts/screenshots):
//     window_shots PROGRAM_FOLDER OUT_FOLDER
// Writes main-<lang>-screen.png (the whole 1366 x 768 screen with the window as it opens),
// main-<lang>-minimum.png, messagebox-<lang>.png, filedialog-<lang>.png, and the dialogs
// (lanset, comset, telnet, option, about) and each menu (menu-<name>-<lang>.png).
#include "ui/panels/bank_menus.h"
#include "ui/panels/batch_menu.h"
#include "ui/windows/frm_bin_bmp_conv.h"
#include "ui/windows/frm_dir_browser.h"
#include "ui/windows/frm_lan_set.h"
#include "ui/windows/frm_wait.h"
#include "ui/qt/qt_file_dialogs.h"
#include "ui/panels/whole_backup_menus.h"
#include "ui/windows/frm_main.h"
#include "ui/panels/link_controls.h"
#include "link/device_link.h"
#include "ui/qt/message_box_prompter.h"
#include "ui/shell/pln_application.h"
#include "temp_folder.h"

#include <QApplication>
#include <QAction>
#include <QFileDialog>
#include <QComboBox>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <QTimer>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>

namespace fs = std::filesystem;

namespace {

void settle(int ms = 400)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Runs `open` (a modal exec) and saves the modal window once it is up, then closes it.
void grabModal(const QString& file, const std::function<void()>& open)
{
    QTimer::singleShot(600, [file] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal) {
            std::fprintf(stderr, "window_shots: no dialog for %s\n", qPrintable(file));
            return;
        }
        modal->grab().save(file);
        modal->close();
    });
    open();
}

void shootLanguage(const fs::path& programFolder, const QString& out, const char* language)
{
    TempFolder folder;
    for (const char* name : {"MessageJPN.ini", "MessageENG.ini", "LabelJPN.ini", "LabelENG.ini"})
        fs::copy_file(programFolder / name, folder / name);
    folder.write("Setting.ini", std::string("[OPERATION]\r\nLanguage=") + language
                                    + "\r\n[COM]\r\nPort=1\r\nSetting=38400,N,8,1\r\nDelimitr=0\r\n");
    const QString lang = QString::fromLatin1(language).toLower().left(3) == "jap" ? "ja" : "en";

    MessageBoxPrompter prompter;
    PlnApplication app(folder.path(), prompter);
    app.terminate = [](int) {};
    LinkControls link(&app.mainWindow(), app.state(), app.messenger());
    app.openSerialPort = [&link] { return link.openSerialAtStartup(); };
    QtFileDialogs fileDialogs(&app.mainWindow());
    BankMenus banks(&app.mainWindow(), link.link(), fileDialogs);
    WholeBackupMenus whole(&app.mainWindow(), link.link(), fileDialogs);
    BatchCommands batch(app.state(), app.messenger(), fileDialogs, &app.mainWindow());
    batch.attachMenu();
    if (!app.start())
        return;
    frmMain& window = app.mainWindow();
    window.show();
    settle();
    QGuiApplication::primaryScreen()->grabWindow(0).save(out + "/main-" + lang + "-screen.png");
    std::printf("%s: opens at %dx%d, minimum %dx%d\n", language, window.width(), window.height(),
                window.minimumSizeHint().width(), window.minimumSizeHint().height());

    window.resize(window.minimumSizeHint());
    settle();
    window.grab().save(out + "/main-" + lang + "-minimum.png");
    window.resize(window.sizeHint());

    grabModal(out + "/messagebox-" + lang + ".png", [&] { app.messenger().fncShowMessage("Question", 2); });
    grabModal(out + "/filedialog-" + lang + ".png", [&] {
        QFileDialog dialog(&window, QString(), QString::fromStdString(app.state().imageFolder().string()),
                           QStringLiteral("BMP (*.bmp)"));
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.exec();
    });
    grabModal(out + "/lanset-" + lang + ".png", [&] { link.openLanSettings(); });
    grabModal(out + "/comset-" + lang + ".png", [&] { link.openComSettings(); });
    grabModal(out + "/telnet-" + lang + ".png", [&] { link.openTelnetSettings(); });
    for (const char* name : {"mnuConvert", "mnuVersion"}) {
        const QString file = out + (name == std::string("mnuConvert") ? "/option-" : "/about-") + lang + ".png";
        grabModal(file, [&] { window.findChild<QAction*>(QString::fromLatin1(name))->trigger(); });
    }
    // Each menu of the menu bar, opened.
    for (const char* name : {"mnuFile", "mnuSystem", "MnuBank", "mnuBankGroup", "mnuOption", "mnuHelp"}) {
        auto* menu = window.findChild<QMenu*>(QString::fromLatin1(name));
        menu->popup(window.mapToGlobal(QPoint(0, 0)));
        settle(300);
        menu->grab().save(out + "/menu-" + QString::fromLatin1(name).toLower() + "-" + lang + ".png");
        menu->hide();
    }
    // A submenu of the Bank menu.
    {
        auto* bank = window.findChild<QMenu*>(QStringLiteral("MnuBank"));
        auto* save = window.findChild<QMenu*>(QStringLiteral("mnuBankSave"));
        bank->popup(window.mapToGlobal(QPoint(0, 0)));
        settle(200);
        save->popup(bank->mapToGlobal(QPoint(bank->width(), 0)));
        settle(300);
        save->grab().save(out + "/menu-banksave-" + lang + ".png");
        save->hide();
        bank->hide();
    }
    // The operation window as a bank download shows it.
    {
        frmWait wait(app.state(), &window);
        wait.Form_Load();
        wait.setStep(9, app.messenger().fncGetMessage("Label", 9));
        wait.setReadVisible(true);
        wait.setProgressVisible(true);
        wait.setProgressMaximum(282156);
        wait.setProgressValue(122880);
        wait.setReadText(app.messenger().fncGetMessage("Label", 4) + " 122880 " + app.messenger().fncGetMessage("Label", 5));
        wait.showWindow();
        settle();
        wait.grab().save(out + "/wait-" + lang + ".png");
        wait.unloadWindow();
        wait.setMainWindowEnabled(true);
    }
    // The batch conversion window and the folder browser.
    {
        AppState& state = app.state();
        for (const char* name : {"IMG01.BYR", "IMG02.BYR", "IMG03.GRY", "line2_station_B_04.BYR"}) {
            state.gFileNames.push_back(name);
            state.gFilePaths.push_back((state.imageFolder() / name).string());
            std::ofstream(state.imageFolder() / name) << "x";
        }
        frmBinBmpConv conv(state, app.messenger(), fileDialogs);
        conv.show();
        settle();
        conv.grab().save(out + "/batch-" + lang + ".png");
        conv.hide();
        frmDirSearch search(state, app.messenger(), nullptr, systemDrives(), state.imageFolder());
        search.show();
        settle();
        search.grab().save(out + "/dirsearch-" + lang + ".png");
        search.hide();
        state.gFileNames.clear();
        state.gFilePaths.clear();
    }
    // A LAN connect to a port where nothing listens: the ERROR box with the socket's reason,
    // then the main window with the log of the attempt.
    window.findChild<QRadioButton*>(QStringLiteral("Lan"))->click();
    window.findChild<QComboBox*>(QStringLiteral("txtIPaddress"))->setEditText(QStringLiteral("127.0.0.1:1"));
    grabModal(out + "/refused-" + lang + ".png",
              [&] { window.findChild<QPushButton*>(QStringLiteral("cmdConnect"))->click(); });
    settle();
    window.grab().save(out + "/main-" + lang + "-refused.png");
    window.hide();
}

} // namespace

int main(int argc, char** argv)
{
    // No adapter behind COM1: the log shows why, as on a PC without the cable.
    qputenv("PLNTOOL_COM1", "/dev/ttyUSB0");
    QApplication qtApp(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: window_shots PROGRAM_FOLDER OUT_FOLDER\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[2]);
    fs::create_directories(argv[2]);
    shootLanguage(argv[1], out, "Japanese");
    shootLanguage(argv[1], out, "English");
    return 0;
}
