// Capture, download and upload from the main window's image buttons, on the real link against
// plnsim over loopback TCP, offscreen.
#include "link_fixture.h"
#include "scripted_file_dialogs.h"
#include "sim_process.h"

#include "ui/qt/control_index.h"
#include "ui/windows/frm_main.h"
#include "ui/panels/image_controls.h"
#include "ui/panels/link_controls.h"
#include "ui/qt/picture_box.h"
#include "ui/shell/pln_application.h"

#include "image/gain.h"
#include "image/pln_file.h"
#include "image_test_support.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace fs = std::filesystem;

namespace {

class ImageWindows : public ::testing::Test {
protected:
    ImageWindows()
    {
        folder.write("MessageENG.ini",
                     "[Message]\r\n1=Done.@64\r\n12=Missing.@48\r\n13=Not converted.@16\r\n21=No link.@48\r\n"
                     "22=No reply.@48\r\n23=Timed out.@16\r\n24=ER.@48\r\n240=Bad format value.@16\r\n"
                     "[Question]\r\n1=Download?@36\r\n2=Discard?@36\r\n3=Upload?@36\r\n4=Capture?@36\r\n"
                     "[Label]\r\n4=Received\r\n5=bytes\r\n6=Preparing\r\n7=Command\r\n8=Sending\r\n9=Receiving\r\n"
                     "320=Time left\r\n350=Elapsed\r\n");
        fs::create_directories(folder / "TMP");
        state.gLanguage = 1;
        state.gLanDelimiter = "\r";
        controls.link().socket().setRemote("127.0.0.1", uint16_t(sim.tcpPort));
        state.gLinkMode = kLinkLan;
        window.show();
        QApplication::processEvents();
    }
    template <typename T> T* find(const char* name, int index = -1) { return findControlAs<T>(&window, name, index); }
    void click(const char* button) { find<QPushButton>(button)->click(); }
    std::vector<std::string> boxes()
    {
        std::vector<std::string> b;
        for (const auto& box : prompter.shown)
            b.push_back(box.number >= 0 ? box.section + " " + std::to_string(box.number) : "error: " + box.text);
        prompter.shown.clear();
        return b;
    }
    void chooseImage(int n)
    {
        find<QRadioButton>("optSelect", 0)->setChecked(true);
        find<QListWidget>("lstImageNo")->verticalScrollBar()->setValue(n);
    }
    void chooseLive() { find<QRadioButton>("optSelect", 1)->setChecked(true); }
    QImage picture() { return window.picCnvBmp()->picture(); }
    bool imageControlsEnabled()
    {
        return find<QAction>("mnuBmpSave")->isEnabled() && find<QAction>("mnuBinsave2")->isEnabled() &&
               find<QPushButton>("cmdLoad")->isEnabled();
    }
    bool imageControlsDisabled()
    {
        return !find<QAction>("mnuBmpSave")->isEnabled() && !find<QAction>("mnuBinsave2")->isEnabled() &&
               !find<QPushButton>("cmdLoad")->isEnabled();
    }
    using Boxes = std::vector<std::string>;

    SimProcess sim{{"--tcp", "0"}};
    TempFolder folder;
    RecordingPrompter prompter;
    PlnApplication app{folder.path(), prompter};
    AppState& state = app.state();
    frmMain& window = app.mainWindow();
    LinkControls controls{&window, app.state(), app.messenger()};
    ScriptedFileDialogs dialogs;
    ImageControls image{&window, controls.link(), dialogs};
};

} // namespace

TEST_F(ImageWindows, CaptureAsksFirstAndReportsSuccess)
{
    prompter.answers = {kAnswerNo};
    click("cmdCapture");
    EXPECT_EQ(boxes(), Boxes{"Question 4"});
    click("cmdCapture");
    EXPECT_EQ(boxes(), (Boxes{"Question 4", "Message 1"}));
    EXPECT_TRUE(window.isEnabled());
}

TEST_F(ImageWindows, DownloadsTheChosenImageAndTheLiveImageInColour)
{
    EXPECT_TRUE(imageControlsDisabled());
    chooseImage(5);
    click("cmdConvert");
    EXPECT_EQ(boxes(), (Boxes{"Question 1", "Message 1"}));
    const QImage five = picture();
    ASSERT_EQ(five.size(), QSize(608, 464));
    EXPECT_TRUE(imageControlsEnabled());
    EXPECT_TRUE(window.isEnabled());
    EXPECT_EQ(state.gUnsavedDownload, -1);
    EXPECT_EQ(find<QLabel>("lblValue", 0)->text() + " " + find<QLabel>("lblValue", 5)->text(), "3 464");
    EXPECT_GE(fs::file_size(folder / "TMP" / "tmp.bin"), 282156u); // the PLN file and the block padding
    EXPECT_EQ(five, QImage(QString::fromStdString((folder / "TMP" / "tmp.bmp").string())));
    bool colour = false;
    for (int x = 0; x < five.width() && !colour; x += 7) {
        const QRgb p = five.pixel(x, 40);
        colour = qRed(p) != qGreen(p) || qGreen(p) != qBlue(p);
    }
    EXPECT_TRUE(colour);

    chooseImage(6);
    click("cmdConvert"); // the unsaved download is given up (Yes)
    EXPECT_EQ(boxes(), (Boxes{"Question 1", "Question 2", "Message 1"}));
    EXPECT_NE(picture(), five);

    chooseLive();
    click("cmdConvert");
    EXPECT_EQ(boxes(), (Boxes{"Question 1", "Question 2", "Message 1"}));
    EXPECT_NE(picture(), five);
    EXPECT_EQ(picture().size(), QSize(608, 464));

    chooseImage(5);
    click("cmdConvert");
    EXPECT_EQ(picture(), five);
}

// What the operation window's bar and estimate line held when the window put them away.
class BarWatch : public QObject {
public:
    BarWatch() { qApp->installEventFilter(this); }
    ~BarWatch() override { qApp->removeEventFilter(this); }
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Hide && watched->objectName() == "ProgressBar1") {
            auto* bar = static_cast<QProgressBar*>(watched);
            ++hidden;
            value = bar->value();
            maximum = bar->maximum();
        }
        if (event->type() == QEvent::Hide && watched->objectName() == "lblTimeLeft")
            estimate = static_cast<QLabel*>(watched)->text();
        return false;
    }
    int hidden = 0;
    int value = -1;
    int maximum = -1;
    QString estimate;
};

TEST_F(ImageWindows, ADownloadShowsItsBarAgainstTheFrameAndFillsIt)
{
    chooseImage(5);
    BarWatch watch;
    click("cmdConvert");
    EXPECT_EQ(boxes(), (Boxes{"Question 1", "Message 1"}));
    EXPECT_EQ(watch.hidden, 1);
    EXPECT_GT(watch.maximum, 0);
    EXPECT_EQ(watch.value, watch.maximum);
    EXPECT_TRUE(watch.estimate.startsWith("Time left 0:00")) << watch.estimate.toStdString();
}

TEST_F(ImageWindows, AnUnsavedDownloadIsReplacedOnlyAfterQuestion2)
{
    chooseImage(5);
    click("cmdConvert");
    const QImage five = picture();
    const auto raw = readBytes(folder / "TMP" / "tmp.bin");
    boxes();

    chooseImage(6);
    prompter.answers = {kAnswerYes, kAnswerNo};
    click("cmdConvert");
    EXPECT_EQ(boxes(), (Boxes{"Question 1", "Question 2"}));
    EXPECT_EQ(picture(), five);
    EXPECT_TRUE(imageControlsEnabled());
    EXPECT_EQ(state.gUnsavedDownload, -1);
    EXPECT_EQ(readBytes(folder / "TMP" / "tmp.bin"), raw);

    dialogs.choose(folder / "five.bmp");
    find<QAction>("mnuBmpSave")->trigger();
    EXPECT_EQ(state.gUnsavedDownload, 0);
    click("cmdConvert");
    EXPECT_EQ(boxes(), (Boxes{"Question 1", "Message 1"}));
    EXPECT_NE(picture(), five);
}

// The largest difference of any colour of any pixel between two pictures of one size.
int largestDifference(const QImage& a, const QImage& b)
{
    const QImage x = a.convertToFormat(QImage::Format_RGB888);
    const QImage y = b.convertToFormat(QImage::Format_RGB888);
    int largest = 0;
    for (int row = 0; row < x.height(); ++row) {
        const uchar* p = x.constScanLine(row);
        const uchar* q = y.constScanLine(row);
        for (int i = 0; i < 3 * x.width(); ++i)
            largest = std::max(largest, std::abs(int(p[i]) - int(q[i])));
    }
    return largest;
}

TEST_F(ImageWindows, UploadThenDownloadGivesThePictureBackWithinTheRoundingOfTheGains)
{
    chooseImage(3);
    click("cmdConvert");
    const PixelArray downloaded = state.images.sensorImage.pixels;
    const QImage shown = picture();
    ASSERT_EQ(downloaded.data.size(), 608u * 464u);
    boxes();

    click("cmdLoad");
    EXPECT_EQ(boxes(), (Boxes{"Question 3", "Message 1"}));
    const HkrHeader& h = state.images.uploadImage.hkrHeader;
    EXPECT_EQ((std::array<int, 4>{h.bayerPattern, h.gainR, h.gainG, h.gainB}), (std::array<int, 4>{3, 20, 0, 35}));
    EXPECT_EQ(fs::file_size(folder / "TMP" / "tmp_2.bin"), 608u * 464u);

    // The simulator keeps the upload as its live image and sends it with its gains, as the
    // camera does: every site comes back as the downloaded one divided by the gain of its
    // colour (blue 35 at even x of even rows, red 20 at odd x of odd rows, green 0 elsewhere)
    // and multiplied again.
    chooseLive();
    click("cmdConvert");
    EXPECT_EQ(boxes(), (Boxes{"Question 1", "Question 2", "Message 1"}));
    ImageWorkspace back;
    RecordingReporter reporter;
    ASSERT_TRUE(fncReadFile_PLN(back, folder / "TMP" / "tmp.bin", reporter));
    int differences = 0;
    for (int y = 0; y < 464; ++y)
        for (int x = 0; x < 608; ++x) {
            const int gain = (x % 2 == 0 && y % 2 == 0) ? 35 : (x % 2 == 1 && y % 2 == 1) ? 20 : 0;
            const float factor = gainFactor(uint8_t(gain));
            const uint8_t expected = scaleByGain(unscaleByGain(downloaded.at(x, y), factor), factor);
            differences += back.sensorImage.pixels.at(x, y) != expected;
        }
    EXPECT_EQ(differences, 0);

    ASSERT_EQ(picture().size(), shown.size());
    const int largest = largestDifference(picture(), shown);
    EXPECT_LE(largest, 1) << "the picture came back with a colour off by up to " << largest;
    std::printf("upload then download: largest difference of a colour %d\n", largest);
}

TEST_F(ImageWindows, AFailedDownloadLeavesNoPictureAndTheImageControlsDisabled)
{
    chooseImage(1);
    click("cmdConvert");
    ASSERT_TRUE(imageControlsEnabled());
    boxes();

    // A controller that cancels every transfer after a few blocks.
    SimProcess cancelling({"--tcp", "0", "--cancel-after", "5"});
    controls.link().socket().close();
    controls.link().socket().setRemote("127.0.0.1", uint16_t(cancelling.tcpPort));
    click("cmdConvert");
    EXPECT_EQ(boxes(), (Boxes{"Question 1", "Question 2"})); // a cancel by the controller has no message
    EXPECT_TRUE(imageControlsDisabled());
    EXPECT_TRUE(picture().isNull());
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(find<QLabel>("lblValue", i)->text(), QString()) << "value " << i << " describes no picture";
    EXPECT_TRUE(window.isEnabled());
    EXPECT_EQ(state.gUnsavedDownload, 0);
}

TEST_F(ImageWindows, OpeningAFileOverAnUnsavedDownloadAsksQuestion2First)
{
    chooseImage(2);
    click("cmdConvert");
    dialogs.choose(folder / "two.bmp");
    find<QAction>("mnuBmpSave")->trigger();
    dialogs.choose(folder / "two.BYR");
    find<QAction>("mnuBinsave2")->trigger();
    const QImage two = picture();
    boxes();

    for (const char* entry : {"mnuBmpLoad", "mnuBinload2"}) {
        SCOPED_TRACE(entry);
        chooseImage(4);
        click("cmdConvert");
        EXPECT_EQ(boxes(), (Boxes{"Question 1", "Message 1"}));
        const QImage four = picture();
        ASSERT_EQ(state.gUnsavedDownload, -1);

        const size_t dialogsBefore = dialogs.shown.size();
        prompter.answers = {kAnswerNo};
        find<QAction>(entry)->trigger();
        EXPECT_EQ(boxes(), Boxes{"Question 2"});
        EXPECT_EQ(dialogs.shown.size(), dialogsBefore) << "the dialog came before the question";
        EXPECT_EQ(picture(), four);
        EXPECT_EQ(state.gUnsavedDownload, -1);

        dialogs.choose(folder / (entry == std::string("mnuBmpLoad") ? "two.bmp" : "two.BYR"));
        find<QAction>(entry)->trigger();
        EXPECT_EQ(boxes(), Boxes{"Question 2"});
        EXPECT_EQ(picture(), two);
        EXPECT_EQ(find<QLabel>("lblValue", 4)->text(), QStringLiteral("608"));
        // The flag was the download's, and the download is no longer shown.
        EXPECT_EQ(state.gUnsavedDownload, 0);
    }
}

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
