// Screenshots of the image download under Xvfb (scripts/screens-image). Not a test: it runs the
// program as main() wires it against two simulators, one slowed to a serial line's pace so
// frmWait can be seen counting, and takes the shots with ImageMagick's import: the operation
// window, the picture shown, and the picture at 2:1 with the status line's readout under the
// mouse and the histogram window.
//   image_shots PROGRAM_FOLDER PLNSIM LANGUAGE(0 Japanese, 1 English) OUT_FOLDER

#include "ui/qt/control_index.h"
#include "ui/windows/frm_histogram.h"
#include "ui/windows/frm_main.h"
#include "ui/panels/image_controls.h"
#include "ui/panels/link_controls.h"
#include "ui/qt/picture_box.h"
#include "ui/shell/pln_application.h"
#include "ui/qt/qt_file_dialogs.h"
#include "recording_prompter.h"

#include "link/device_link.h"

#include <QApplication>
#include <QCursor>
#include <QElapsedTimer>
#include <QScreen>
#include <QScrollArea>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

// Starts plnsim and returns what its ready line names (the address or the device).
QString startSim(QProcess& sim, const QString& exe, const QStringList& args)
{
    sim.start(exe, args);
    sim.waitForReadyRead(5000);
    const QString line = QString::fromUtf8(sim.readLine()).trimmed();
    return line.section(' ', 1);
}

void shoot(QWidget* area, const QString& file)
{
    QRect r = area->frameGeometry();
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

    const fs::path folder = fs::temp_directory_path() / ("plnshots-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    for (const char* f : {"LabelJPN.ini", "LabelENG.ini", "MessageJPN.ini", "MessageENG.ini"})
        fs::copy_file(texts / f, folder / f, fs::copy_options::overwrite_existing);
    std::ofstream(folder / "Setting.ini") << "[OPERATION]\r\nLanguage=" << (language == 0 ? "Japanese" : "English")
                                          << "\r\n[COM]\r\nPort=1\r\nSetting=38400,N,8,1\r\nDelimitr=0\r\n";

    // A slow controller on COM1 (paced like a 38400 baud line) and a quick one on COM2, as in the demo.
    QProcess slow, quick;
    const QString com1 = QString::fromStdString((folder / "com1").string());
    const QString com2 = QString::fromStdString((folder / "com2").string());
    startSim(slow, plnsim, {QStringLiteral("--pty"), com1, QStringLiteral("--baud"), QStringLiteral("38400")});
    startSim(quick, plnsim, {QStringLiteral("--pty"), com2});
    qputenv("PLNTOOL_COM1", com1.toLocal8Bit());
    qputenv("PLNTOOL_COM2", com2.toLocal8Bit());

    RecordingPrompter prompter; // answers every question Yes/OK, shows no box over the picture
    PlnApplication app(folder, prompter);
    app.terminate = [](int) {};
    LinkControls link(&app.mainWindow(), app.state(), app.messenger());
    app.openSerialPort = [&link] { return link.openSerialAtStartup(); };
    QtFileDialogs dialogs(&app.mainWindow());
    ImageControls image(&app.mainWindow(), link.link(), dialogs);
    if (!app.start())
        return 1;
    frmMain& window = app.mainWindow();
    window.move(0, 0);
    window.show();

    QTimer::singleShot(1000, &window, [&] {
        // Once the window manager has framed it, the title bar goes on the screen too.
        window.move(0, 0);
        findControlAs<QListWidget>(&window, QStringLiteral("lstImageNo"))->verticalScrollBar()->setValue(5);
        // While the slow download runs: the operation window counting, then Stop.
        QTimer::singleShot(3000, &window, [&] {
            shoot(&window, out + QStringLiteral("/frmwait-%1.png").arg(name));
            app.state().gStopRequest = -1;
        });
        findControlAs<QPushButton>(&window, QStringLiteral("cmdConvert"))->click();

        // The same image from the quick controller, timed from the click to the picture shown.
        link.link().channel().fncCloseComPort();
        app.state().gComPort = 2;
        if (link.link().channel().fncOpenComPort() != 0)
            qtApp.exit(1);
        app.state().gLinkMode = kLinkSerial;
        QElapsedTimer clock;
        clock.start();
        findControlAs<QPushButton>(&window, QStringLiteral("cmdConvert"))->click();
        std::printf("download of image 5 on the serial link, click to picture: %lld ms\n",
                    static_cast<long long>(clock.elapsed()));
        QTimer::singleShot(800, &window, [&] {
            shoot(&window, out + QStringLiteral("/main-picture-%1.png").arg(name));
            // The digits at 2:1, the mouse on the edge of one, the histogram beside.
            window.move(0, 0);
            image.readout().setZoom(2);
            PictureBox* picture = window.picCnvBmp();
            if (auto* area = qobject_cast<QScrollArea*>(picture->parentWidget()->parentWidget()))
                area->ensureVisible(2 * 300, 2 * 150, area->viewport()->width() / 2, area->viewport()->height() / 2);
            QCursor::setPos(picture->mapToGlobal(QPoint(2 * 296 + 1, 2 * 125 + 1)));
            image.readout().showHistogram();
            frmHistogram* histogram = image.readout().histogramWindow();
            histogram->resize(560, 300);
            const QRect screen = window.screen()->availableGeometry();
            histogram->move(screen.right() - histogram->frameGeometry().width() - 20,
                            screen.bottom() - histogram->frameGeometry().height() - 20);
            QTimer::singleShot(1000, &window, [&] {
                // The pointer may have moved with the windows: the readout of where it was put,
                // drawn before the shot.
                image.readout().showPixel(QPoint(296, 125));
                QTimer::singleShot(300, &window, [&] {
                    const QString short2 = language == 0 ? QStringLiteral("ja") : QStringLiteral("en");
                    QProcess::execute(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"),
                                                                 out + QStringLiteral("/picture-readout-%1.png").arg(short2)});
                    qtApp.quit();
                });
            });
        });
    });
    const int status = qtApp.exec();
    slow.terminate();
    quick.terminate();
    slow.waitForFinished();
    quick.waitForFinished();
    fs::remove_all(folder);
    return status;
}
