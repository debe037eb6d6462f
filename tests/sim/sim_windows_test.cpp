// The program's start-up and exit, and the main window's link panels, on the real link
// against plnsim, offscreen.
#include "link_fixture.h"
#include "sim_process.h"

#include "ui/qt/control_index.h"
#include "ui/windows/frm_main.h"
#include "ui/panels/image_controls.h"
#include "ui/panels/link_controls.h"
#include "scripted_file_dialogs.h"
#include "ui/panels/measure_panel.h"
#include "ui/shell/pln_application.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTimer>

#include <optional>

namespace {

// The program wired as main() wires it, with its process ending recorded instead.
class SimWindows : public ::testing::Test {
protected:
    SimWindows()
    {
        writeTestMessages(folder);
        writeTestSettings(folder);
        app.terminate = [this](int status) { exitStatus = status; };
        app.openSerialPort = [this] { return controls.openSerialAtStartup(); };
        app.stopMeasurement = [this] { controls.stopMeasurementAtExit(); };
    }
    template <typename T> T* find(const char* name) { return window.findChild<T*>(QString::fromLatin1(name)); }
    QString status() { return find<QPlainTextEdit>("Status")->toPlainText(); }

    TempFolder folder;
    RecordingPrompter prompter;
    PlnApplication app{folder.path(), prompter};
    AppState& state = app.state();
    frmMain& window = app.mainWindow();
    LinkControls controls{&window, app.state(), app.messenger()};
    std::optional<int> exitStatus;
};

} // namespace

TEST_F(SimWindows, LanConnectThenMeasureAndReadTheResult)
{
    SimProcess sim({"--tcp", "0"});
    setenv("PLNTOOL_COM1", (folder / "no-such-port").c_str(), 1);
    bool started = app.start(); // COM1 does not open: no link, and no message
    unsetenv("PLNTOOL_COM1");
    ASSERT_TRUE(started);
    EXPECT_EQ(state.gLinkMode, 0);
    EXPECT_TRUE(prompter.shown.empty());

    find<QRadioButton>("Lan")->click();
    find<QComboBox>("txtIPaddress")->setEditText(QString("127.0.0.1:%1").arg(sim.tcpPort));
    QElapsedTimer t;
    t.start();
    find<QPushButton>("cmdConnect")->click();
    EXPECT_LT(t.elapsed(), 2000);
    EXPECT_TRUE(QRegularExpression("Connection Status: Connected\n\\d\\d:\\d\\d:\\d\\d Connected\n$").match(status()).hasMatch())
        << status().toStdString();
    EXPECT_EQ(state.gLinkMode, 2);

    findControlAs<QRadioButton>(&window, "optMesure", 1)->setChecked(true);
    find<QPushButton>("cmdMeasure")->click();
    EXPECT_EQ(controls.measurePanel().continuousFlag(), -1);
    EXPECT_EQ(find<QPushButton>("cmdMeasure")->text(), "Stop");
    find<QPushButton>("cmdGetMesure")->click();
    QString judgement = findControlAs<QLabel>(&window, "lblValue", 6)->text();
    EXPECT_TRUE(judgement == "OK" || judgement == "NG" || judgement == "Error") << judgement.toStdString();
    bool number = false;
    findControlAs<QLabel>(&window, "lblValue", 7)->text().toDouble(&number);
    EXPECT_TRUE(number);
    app.fncExitApplication();
    EXPECT_EQ(exitStatus, 0);
    EXPECT_EQ(controls.measurePanel().continuousFlag(), 0);
    EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(SimWindows, RefusedPortEndsTheConnectAtOnceWithTheReason)
{
    int freePort = 0;
    {
        SimProcess sim({"--tcp", "0"});
        freePort = sim.tcpPort;
    }
    setenv("PLNTOOL_COM1", (folder / "no-such-port").c_str(), 1);
    ASSERT_TRUE(app.start());
    unsetenv("PLNTOOL_COM1");
    find<QRadioButton>("Lan")->click();
    find<QComboBox>("txtIPaddress")->setEditText(QString("127.0.0.1:%1").arg(freePort));
    QElapsedTimer t;
    t.start();
    find<QPushButton>("cmdConnect")->click();
    EXPECT_LT(t.elapsed(), 1000);
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_NE(prompter.shown[0].text.find("refused"), std::string::npos) << prompter.shown[0].text;
    EXPECT_TRUE(status().contains("refused")) << status().toStdString();
    EXPECT_EQ(state.gLinkMode, 0);
    EXPECT_TRUE(find<QPushButton>("cmdConnect")->isEnabled());
}

TEST_F(SimWindows, StartupOpensTheSerialPortNamedByTheEnvironment)
{
    std::string com = (folder / "com1").string();
    SimProcess sim({"--pty", com});
    setenv("PLNTOOL_COM1", com.c_str(), 1);
    bool started = app.start();
    unsetenv("PLNTOOL_COM1");
    ASSERT_TRUE(started);
    EXPECT_EQ(state.gLinkMode, 1);
    EXPECT_EQ(state.gLanDelimiter, "\r");
    EXPECT_TRUE(QRegularExpression(QString::fromStdString("^\\d\\d:\\d\\d:\\d\\d COM1 " + com + " opened\n$"))
                    .match(status()).hasMatch()) << status().toStdString();
    EXPECT_EQ(controls.link().fncSendCommand("CAPTURE"), "OK");
}

TEST_F(SimWindows, APseudoTerminalLostMidDownloadEndsTheLinkWithOneMessageAndConnectWorksAtOnce)
{
    folder.write("MessageENG.ini",
                 "[Message]\r\n1=Done.@64\r\n21=No link.@48\r\n22=No reply.@48\r\n23=Timed out.@16\r\n"
                 "300=The serial port %1 has gone away.@16\r\n[Question]\r\n1=Download?@36\r\n"
                 "[Label]\r\n4=Received\r\n5=bytes\r\n6=Preparing\r\n7=Command\r\n9=Receiving\r\n");
    const std::string com = (folder / "com1").string();
    // At 38400 baud a picture takes over a minute: the simulator goes long before the end.
    auto sim = std::make_unique<SimProcess>(std::vector<std::string>{"--pty", com, "--baud", "38400"});
    setenv("PLNTOOL_COM1", com.c_str(), 1);
    ScriptedFileDialogs dialogs;
    ImageControls image{&window, controls.link(), dialogs};
    ASSERT_TRUE(app.start());
    ASSERT_EQ(state.gLinkMode, 1);
    QTimer::singleShot(1500, [&] { sim.reset(); });
    QElapsedTimer t;
    t.start();
    find<QPushButton>("cmdConvert")->click();
    EXPECT_LT(t.elapsed(), 10000);
    std::vector<long> numbers;
    for (const auto& box : prompter.shown)
        numbers.push_back(box.number);
    EXPECT_EQ(numbers, (std::vector<long>{1, 300})) << prompter.shown.back().text;
    EXPECT_EQ(prompter.shown.back().title, "Lumivex PLN TOOL");
    EXPECT_EQ(prompter.shown.back().text, "The serial port COM1 " + com + " has gone away.");
    EXPECT_EQ(state.gLinkMode, 0);
    EXPECT_TRUE(find<QPushButton>("cmdConnect")->isEnabled());
    EXPECT_FALSE(find<QPushButton>("cmdCloseConnection")->isEnabled());
    EXPECT_TRUE(window.isEnabled());
    const QStringList lines = status().split('\n', Qt::SkipEmptyParts);
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_TRUE(lines.last().contains(QString::fromStdString("COM1 " + com + " was lost"))) << status().toStdString();
    // The binary switch of the transfer is not in the log: opened, then lost.
    EXPECT_EQ(lines.size(), 2) << status().toStdString();

    // Cable back in: Connect works at once.
    sim = std::make_unique<SimProcess>(std::vector<std::string>{"--pty", com});
    prompter.shown.clear();
    find<QPushButton>("cmdConnect")->click();
    EXPECT_EQ(state.gLinkMode, 1);
    EXPECT_EQ(controls.link().fncSendCommand("CAPTURE"), "OK");
    EXPECT_TRUE(prompter.shown.empty());
    unsetenv("PLNTOOL_COM1");
}

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
