// The program's start-up and exit, and the main window's link panels, on the real link
// against plnsim, offscreen.
#include "link_fixture.h"
#include "sim_process.h"

#include "control_index.h"
#include "frm_main.h"
#include "link_controls.h"
#include "measure_panel.h"
#include "pln_application.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

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
    EXPECT_TRUE(status().endsWith("Connection Status: Connected\nConnected\n")) << status().toStdString();
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
    EXPECT_EQ(status(), "connected\n");
    EXPECT_EQ(controls.link().fncSendCommand("CAPTURE"), "OK");
}

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
