// The link's windows on the offscreen platform: the real main window, the link over fakes.
#include "link_fixture.h"

#include "ui/panels/connection_panel.h"
#include "ui/windows/frm_com_set.h"
#include "ui/windows/frm_lan_set.h"
#include "ui/windows/frm_main.h"
#include "ui/panels/link_controls.h"
#include "ui/panels/measure_panel.h"
#include "ui/windows/telnet_set.h"
#include "ui/qt/control_index.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

namespace {

class LinkWindows : public LinkFixture {
protected:
    LinkWindows()
    {
        window.setStartupConnectionState();
        controls = std::make_unique<LinkControls>(&window, state, messenger, std::move(link));
        link = nullptr;
        // The fixture's status logs were replaced by the windows' boxes.
    }
    DeviceLink& dl() { return controls->link(); }
    template <typename T> T* find(const char* name) { return window.findChild<T*>(QString::fromLatin1(name)); }
    QPushButton* connectButton() { return find<QPushButton>("cmdConnect"); }
    QComboBox* address() { return find<QComboBox>("txtIPaddress"); }
    QLabel* addressLabel() { return find<QLabel>("IPAddrLabel"); }
    // The lines of a status box without the time of day that starts each of them.
    QStringList statusLines(QPlainTextEdit* box)
    {
        QStringList lines = box->toPlainText().split('\n', Qt::SkipEmptyParts);
        for (QString& line : lines) {
            EXPECT_TRUE(QRegularExpression("^\\d\\d:\\d\\d:\\d\\d ").match(line).hasMatch()) << line.toStdString();
            line = line.mid(9);
        }
        return lines;
    }
    QStringList mainStatus() { return statusLines(find<QPlainTextEdit>("Status")); }
    // Enabled state of frmLanSet's txtIPaddress, cmdConnect, cmdCloseConnection.
    static std::string dialogStateOf(frmLanSet& dialog)
    {
        std::string s;
        for (QWidget* w : std::initializer_list<QWidget*>{dialog.txtIPaddress(), dialog.cmdConnect(), dialog.cmdCloseConnection()})
            s += w->isEnabled() ? '1' : '0';
        return s;
    }
    // Enabled state of Serial, Lan, txtIPaddress, IPAddrLabel, cmdConnect, cmdCloseConnection.
    std::string enabled()
    {
        std::string s;
        for (QWidget* w : std::initializer_list<QWidget*>{find<QRadioButton>("Serial"), find<QRadioButton>("Lan"), address(),
                                                           addressLabel(), connectButton(), find<QPushButton>("cmdCloseConnection")})
            s += w->isEnabled() ? '1' : '0';
        return s;
    }
    void lanSocketAnswersIn(int64_t ms) { socket->connectDelayMs = ms; }

    frmMain window;
    std::unique_ptr<LinkControls> controls;
};

} // namespace

TEST_F(LinkWindows, ConnectionPanelShowsTheCurrentLink)
{
    EXPECT_EQ(enabled(), "110010");                 // no link yet
    find<QRadioButton>("Lan")->click();
    EXPECT_EQ(enabled(), "111110");
    find<QRadioButton>("Serial")->click();
    EXPECT_EQ(enabled(), "110010");

    connectButton()->click();                        // serial connect
    EXPECT_EQ(enabled(), "000001");
    EXPECT_EQ(state.gLinkMode, 1);
    find<QPushButton>("cmdCloseConnection")->click();
    EXPECT_EQ(enabled(), "110010");
    EXPECT_EQ(state.gLinkMode, 0);
    EXPECT_EQ(mainStatus(), (QStringList{"COM1 /dev/fake1 opened", "COM1 /dev/fake1 closed"}));
    // Each line starts with the time of day from the link's clock.
    EXPECT_EQ(find<QPlainTextEdit>("Status")->toPlainText().split('\n').first(), "10:42:00 COM1 /dev/fake1 opened");

    find<QRadioButton>("Lan")->click();
    address()->setEditText("10.0.0.2");
    lanSocketAnswersIn(100);
    connectButton()->click();                        // LAN connect
    EXPECT_EQ(enabled(), "000001");
    EXPECT_EQ(state.gLinkMode, 2);
    find<QPushButton>("cmdCloseConnection")->click();
    EXPECT_EQ(enabled(), "111110");
    EXPECT_EQ(socket->st, kSockClosed);
    EXPECT_EQ(address()->currentText(), "10.0.0.2");
}

// Every way of making, ending or losing the link, seen in both windows at once.
TEST_F(LinkWindows, BothWindowsShowTheLinkWhoeverChangedIt)
{
    controls->openSerialAtStartup();
    frmLanSet& dialog = controls->lanSettings();
    auto dialogState = [&dialog] { return dialogStateOf(dialog); };
    EXPECT_EQ(enabled(), "000001");
    EXPECT_TRUE(find<QRadioButton>("Serial")->isChecked());
    EXPECT_EQ(dialogState(), "110");

    // Connect in the dialog: the serial port gives way and the panel shows the LAN link.
    lanSocketAnswersIn(100);
    dialog.txtIPaddress()->setText("10.0.0.9:2323");
    dialog.cmdConnect()->click();
    EXPECT_EQ(state.gLinkMode, 2);
    EXPECT_FALSE(port->isOpen());
    EXPECT_TRUE(find<QRadioButton>("Lan")->isChecked());
    EXPECT_EQ(address()->currentText(), "10.0.0.9:2323");
    EXPECT_EQ(enabled(), "000001");
    EXPECT_EQ(dialogState(), "001");

    // Disconnect in the panel ends the LAN link, not the serial one.
    find<QPushButton>("cmdCloseConnection")->click();
    EXPECT_EQ(socket->st, kSockClosed);
    EXPECT_EQ(state.gLinkMode, 0);
    EXPECT_EQ(enabled(), "111110");
    EXPECT_EQ(dialogState(), "110");
    EXPECT_EQ(statusLines(dialog.Status()).last(), "Connection Status: Closed");

    // Disconnect in the dialog: the serial link comes back, in the panel too.
    dialog.cmdConnect()->click();
    ASSERT_EQ(state.gLinkMode, 2);
    dialog.cmdCloseConnection()->click();
    EXPECT_EQ(state.gLinkMode, 1);
    EXPECT_TRUE(port->isOpen());
    EXPECT_TRUE(find<QRadioButton>("Serial")->isChecked());
    EXPECT_EQ(enabled(), "000001");
    EXPECT_EQ(dialogState(), "110");

    // The serial adapter goes away under a command: no link, in both windows, one message
    // that names the device, and Connect works at once.
    prompter.shown.clear();
    port->lost = true;
    dl().fncSendCommand("M");
    EXPECT_EQ(state.gLinkMode, 0);
    EXPECT_EQ(enabled(), "110010");
    EXPECT_EQ(dialogState(), "110");
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, "The serial port COM1 /dev/fake1 is gone.");
    EXPECT_EQ(mainStatus().last(), "COM1 /dev/fake1 was lost: Input/output error");
    connectButton()->click();
    EXPECT_EQ(state.gLinkMode, 1);
    EXPECT_EQ(enabled(), "000001");
    find<QPushButton>("cmdCloseConnection")->click();

    // The dialog opened afresh shows a LAN link made in the panel, with its address.
    delete &dialog;
    find<QRadioButton>("Lan")->click();
    address()->setEditText("10.0.0.7");
    connectButton()->click();
    frmLanSet& again = controls->lanSettings();
    EXPECT_EQ(statusLines(again.Status()), QStringList{"Connected"});
    EXPECT_EQ(again.txtIPaddress()->text(), "10.0.0.7");
    EXPECT_EQ(dialogStateOf(again), "001");
}

TEST_F(LinkWindows, AnEmptyAddressGivesTheReason)
{
    find<QRadioButton>("Lan")->click();
    address()->setEditText(" ");
    connectButton()->click();
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, "ERROR\r\nno address was typed");
    EXPECT_EQ(mainStatus(), QStringList{"no address was typed"});
    EXPECT_EQ(state.gLinkMode, 0);
    EXPECT_EQ(socket->connects, 0);
}

TEST_F(LinkWindows, SerialPortThatDoesNotOpenShowsErrorAndChangesNothing)
{
    port->refuseWith = "Permission denied";
    connectButton()->click();
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text,
              "ERROR\r\nCOM1 /dev/fake1: Permission denied (the user must be in the dialout group)");
    EXPECT_EQ(prompter.shown[0].title, "Lumivex PLN TOOL");
    EXPECT_EQ(enabled(), "110010");
    EXPECT_EQ(state.gLinkMode, 0);
    EXPECT_TRUE(mainStatus().last().contains("dialout group"));
}

TEST_F(LinkWindows, AddressHistory)
{
    auto enter = [this](const QString& text) {
        address()->setEditText(text);
        QTest::keyClick(address()->lineEdit(), Qt::Key_Return);
    };
    find<QRadioButton>("Lan")->click();
    for (int i = 1; i <= 17; ++i)
        enter(QString("10.0.0.%1").arg(i));
    EXPECT_EQ(address()->count(), 16);
    EXPECT_EQ(address()->itemText(0), "10.0.0.17");
    EXPECT_EQ(address()->itemText(15), "10.0.0.2");
    EXPECT_EQ(address()->currentText(), "");
    enter("10.0.0.5");
    EXPECT_EQ(address()->count(), 16);
    EXPECT_EQ(address()->itemText(0), "10.0.0.5");
    EXPECT_EQ(address()->findText("10.0.0.5"), 0);
    enter("");
    EXPECT_EQ(address()->count(), 0);
}

TEST_F(LinkWindows, LanConnectSaysWhatHappens)
{
    find<QRadioButton>("Lan")->click();
    address()->setEditText("127.0.0.1:2323");
    lanSocketAnswersIn(100);
    connectButton()->click();
    EXPECT_EQ(socket->remotePort(), 2323);
    EXPECT_EQ(mainStatus(), (QStringList{"Connecting to 127.0.0.1:2323", "Connection Status: Connecting",
                                         "Connection Status: Connected", "Connected"}));
    EXPECT_TRUE(prompter.shown.empty());
    find<QPushButton>("cmdCloseConnection")->click();

    // Refused, unreachable, unknown host: the watch ends at the first step, with the reason.
    find<QPlainTextEdit>("Status")->clear();
    socket->refuseWith = "Connection refused";
    lanSocketAnswersIn(5);
    int64_t start = world.now;
    connectButton()->click();
    EXPECT_LT(world.now - start, 1000);
    EXPECT_EQ(mainStatus(), (QStringList{"Connecting to 127.0.0.1:2323", "Connection Status: Connecting",
                                         "Connection Status: Error", "127.0.0.1:2323: Connection refused"}));
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, "ERROR\r\n127.0.0.1:2323: Connection refused");
    EXPECT_EQ(prompter.shown[0].title, "Lumivex PLN TOOL");
    EXPECT_EQ(state.gLinkMode, 0);
    EXPECT_EQ(socket->st, kSockClosed);
    EXPECT_EQ(enabled(), "111110");

    // An address that does not answer: the whole watch, then the same end.
    find<QPlainTextEdit>("Status")->clear();
    prompter.shown.clear();
    socket->refuseWith.clear();
    lanSocketAnswersIn(-1);
    start = world.now;
    connectButton()->click();
    EXPECT_GE(world.now - start, 50 * 300);
    QStringList expected{"Connecting to 127.0.0.1:2323", "Connection Status: Connecting"};
    for (int step = 10; step <= 50; step += 10)
        expected << QString("%1 - Connection Status: Connecting").arg(step);
    expected << "127.0.0.1:2323: no answer";
    EXPECT_EQ(mainStatus(), expected);
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, "ERROR\r\n127.0.0.1:2323: no answer");
    EXPECT_EQ(state.gLinkMode, 0);
    EXPECT_EQ(socket->st, kSockClosed);
    EXPECT_EQ(enabled(), "111110");
}

// Close pressed while the connect is still being watched ends the attempt quietly.
TEST_F(LinkWindows, CloseDuringTheWatchEndsTheAttempt)
{
    find<QRadioButton>("Lan")->click();
    address()->setEditText("10.0.0.3");
    lanSocketAnswersIn(-1);
    world.after(1000, [this] {
        EXPECT_EQ(enabled(), "000001");  // connecting: only Close
        find<QPushButton>("cmdCloseConnection")->click();
    });
    int64_t start = world.now;
    connectButton()->click();
    EXPECT_LT(world.now - start, 3000);
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_EQ(state.gLinkMode, 0);
    EXPECT_EQ(socket->st, kSockClosed);
    EXPECT_EQ(enabled(), "111110");
}

TEST_F(LinkWindows, TelnetSetKeepsTheChoiceForTheRun)
{
    auto openAndPick = [this](int pick, bool ok) {
        int shownIndex = -2;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<TelnetSet*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            EXPECT_EQ(dialog->windowTitle(), "TelnetSet");
            shownIndex = dialog->CmbDeli()->currentIndex();
            dialog->CmbDeli()->setCurrentIndex(pick);
            dialog->findChild<QPushButton*>(ok ? "cmdOK" : "cmdCancel")->click();
        });
        TelnetSet::openModal(state, &window);
        return shownIndex;
    };
    EXPECT_EQ(openAndPick(1, true), 0);
    EXPECT_EQ(state.gLanDelimiter, "\n");
    EXPECT_EQ(openAndPick(2, false), 1);   // LF shown again; cancel changes nothing
    EXPECT_EQ(state.gLanDelimiterIndex, 1);
    EXPECT_EQ(openAndPick(2, true), 1);
    EXPECT_EQ(state.gLanDelimiter, "\r\n");

    TelnetSet plain(state);
    EXPECT_EQ(plain.findChild<QPushButton*>("cmdCancel")->text(), "cancel");
    EXPECT_EQ(plain.findChild<QLabel*>("Label1")->text(), "Delimiter");
    plain.CmbDeli()->setCurrentIndex(-1);
    plain.findChild<QPushButton*>("cmdOK")->click();   // no selection: unchanged
    EXPECT_EQ(state.gLanDelimiterIndex, 2);
}

TEST_F(LinkWindows, ComSetShowsAndWritesTheSettings)
{
    struct Case { const char* settings; const char* shown; const char* written; };
    const Case cases[] = {
        {"115200,E,7,2", "115200 Even 7 2", "115200,E,7,2"},
        {"4800,N,8,1", "38400 None 8 1", "38400,N,8,1"},
        {"38400,M,8,1", "38400 Odd 8 1", "38400,O,8,1"},
    };
    for (const Case& c : cases) {
        state.gComSettings = c.settings;
        frmComSet dialog(state, messenger, dl().channel());
        ASSERT_TRUE(dialog.Form_Load());
        QString shown = dialog.CmbReate()->currentText() + " " + dialog.CmbParity()->currentText() + " "
                      + dialog.CmbDatLen()->currentText() + " " + dialog.CmbStpBit()->currentText();
        EXPECT_EQ(shown, c.shown);
        dialog.cmdOK_Click();
        EXPECT_EQ(state.gComSettings, c.written);
    }
    EXPECT_NE(folder.read("Setting.ini").find("Setting=38400,O,8,1"), std::string::npos);
}

TEST_F(LinkWindows, ComSetTerminatorAndReopenByLinkState)
{
    // No link, the port now opens: the serial link becomes current.
    frmComSet first(state, messenger, dl().channel());
    first.Form_Load();
    first.CmbDeli()->setCurrentIndex(1);
    first.cmdOK_Click();
    EXPECT_EQ(state.gComDelimiter, "\n");
    EXPECT_EQ(state.gLanDelimiter, "\n");
    EXPECT_EQ(state.gLanDelimiterIndex, 1);
    EXPECT_NE(folder.read("Setting.ini").find("Delimitr=1"), std::string::npos);
    EXPECT_EQ(state.gLinkMode, 1);
    EXPECT_TRUE(mainStatus().contains("COM1 /dev/fake1 opened"));

    // A LAN link: the port is left as it is.
    state.gLinkMode = kLinkLan;
    int opens = port->opens;
    frmComSet second(state, messenger, dl().channel());
    second.Form_Load();
    second.cmdOK_Click();
    EXPECT_EQ(port->opens, opens);

    // Serial link, the port does not reopen: Message 21, the settings saved all the same.
    state.gLinkMode = kLinkSerial;
    port->refuseWith = "No such file or directory";
    frmComSet third(state, messenger, dl().channel());
    third.Form_Load();
    third.CmbReate()->setCurrentIndex(0);
    third.cmdOK_Click();
    EXPECT_EQ(boxes(), std::vector<long>{21});
    EXPECT_EQ(state.gLinkMode, 1);
    EXPECT_NE(folder.read("Setting.ini").find("Setting=9600,N,8,1"), std::string::npos);
}

TEST_F(LinkWindows, ComSetLoadFailureLeavesLaterListsEmpty)
{
    state.gComSettings = "38400,N";
    frmComSet dialog(state, messenger, dl().channel());
    EXPECT_FALSE(dialog.Form_Load());
    EXPECT_EQ(boxes(), std::vector<long>{99});
    EXPECT_EQ(dialog.CmbCOM()->currentIndex(), 0);
    EXPECT_EQ(dialog.CmbReate()->currentIndex(), -1);
    EXPECT_EQ(dialog.CmbDeli()->currentIndex(), -1);
    dialog.cmdOK_Click();  // the empty lists count as the defaults
    EXPECT_EQ(state.gComSettings, "38400,N,8,1");

    state.gComPort = 17;
    frmComSet other(state, messenger, dl().channel());
    EXPECT_FALSE(other.Form_Load());
    EXPECT_EQ(other.CmbCOM()->currentIndex(), -1);
}

TEST_F(LinkWindows, LanSettingsDialogRecordsTheAddressAndReportsAFailure)
{
    frmLanSet& dialog = controls->lanSettings();
    dialog.txtIPaddress()->setText(" 127.0.0.1:2323 ");
    dialog.cmdConnect_Click();
    EXPECT_EQ(state.gLanAddress, "127.0.0.1:2323");
    EXPECT_EQ(statusLines(dialog.Status()).last(), "Connected");
    dialog.cmdCloseConnection_Click();

    socket->refuseWith = "Host not found";
    socket->connectDelayMs = 5;
    dialog.txtIPaddress()->setText("nowhere.invalid");
    dialog.cmdConnect_Click();
    EXPECT_EQ(state.gLinkMode, 1);  // the serial link came back before and stays
    EXPECT_EQ(statusLines(dialog.Status()).last(), "nowhere.invalid:23: Host not found");
    EXPECT_EQ(dialogStateOf(dialog), "110");
}

TEST_F(LinkWindows, ContinuousMeasurementStartStopAndStopAtExit)
{
    ASSERT_EQ(dl().channel().fncOpenComPort(), 0);
    state.gLinkMode = kLinkSerial;
    std::string answer = "OK";
    serialPeer([&](const std::string&) { return answer + "\r"; });
    auto* measure = find<QPushButton>("cmdMeasure");
    auto* continuous = findControlAs<QRadioButton>(&window, "optMesure", 1);
    continuous->setChecked(true);

    measure->click();
    EXPECT_EQ(port->written.back(), "M /C\r");
    EXPECT_EQ(measure->text(), "Stop");
    EXPECT_FALSE(continuous->isEnabled());
    answer = "ER";
    measure->click();                              // stops whatever the reply
    EXPECT_EQ(port->written.back(), "M /E\r");
    EXPECT_EQ(measure->text(), "Measure");
    EXPECT_TRUE(continuous->isEnabled());
    EXPECT_EQ(controls->measurePanel().continuousFlag(), 0);

    measure->click();                              // "M /C" refused
    EXPECT_EQ(measure->text(), "Measure");
    EXPECT_TRUE(continuous->isEnabled());

    answer = "OK";
    measure->click();
    size_t sent = port->written.size();
    controls->stopMeasurementAtExit();
    controls->stopMeasurementAtExit();
    EXPECT_EQ(port->written.size(), sent + 1);
    EXPECT_EQ(port->written.back(), "M /E\r");
}

TEST_F(LinkWindows, StopAtExitWithoutALink)
{
    findControlAs<QRadioButton>(&window, "optMesure", 1)->setChecked(true);
    ASSERT_EQ(dl().channel().fncOpenComPort(), 0);
    state.gLinkMode = kLinkSerial;
    serialPeer([](const std::string&) { return std::string("OK\r"); });
    find<QPushButton>("cmdMeasure")->click();
    state.gLinkMode = kLinkNone;
    prompter.shown.clear();
    controls->stopMeasurementAtExit();
    EXPECT_EQ(boxes(), std::vector<long>{21});
}

TEST_F(LinkWindows, MeasurementResults)
{
    ASSERT_EQ(dl().channel().fncOpenComPort(), 0);
    state.gLinkMode = kLinkSerial;
    auto* v6 = findControlAs<QLabel>(&window, "lblValue", 6);
    auto* v7 = findControlAs<QLabel>(&window, "lblValue", 7);
    struct Case { std::string judgement; std::string value; QString label6; QString label7; size_t commands; };
    const Case cases[] = {
        {"-1", "12.5", "NG", "12.5", 2},
        {"0", "ER", "OK", "ER", 2},    // an "ER" value is shown as it came
        {" 0", "1", "OK", "ER", 1},    // not one of the three words: nothing changes
        {"-2", "", "Error", "ER", 2},  // an empty value leaves lblValue(7)
    };
    for (const Case& c : cases) {
        port->written.clear();
        serialPeer([&c](const std::string& line) {
            return (line == "DATAGET 2 0\r" ? c.judgement : c.value) + "\r";
        });
        find<QPushButton>("cmdGetMesure")->click();
        EXPECT_EQ(v6->text(), c.label6) << c.judgement;
        EXPECT_EQ(v7->text(), c.label7) << c.judgement;
        EXPECT_EQ(port->written.size(), c.commands) << c.judgement;
    }
}

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
