// The File menu's image commands on the main window, with scripted file dialogs and boxes.
#include "ui/qt/control_index.h"
#include "ui/panels/file_menu.h"
#include "ui/windows/frm_main.h"
#include "ui/panels/image_controls.h"
#include "ui/panels/image_view.h"
#include "ui/windows/frm_histogram.h"
#include "ui/qt/picture_box.h"
#include "ui/panels/picture_readout.h"
#include "recording_prompter.h"
#include "scripted_file_dialogs.h"

#include "image_test_support.h"

#include "image/bmp_file.h"
#include "link/device_link.h"
#include "image/pln_file.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QMouseEvent>
#include <QRadioButton>
#include <QScrollArea>

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

class FileMenuTest : public ::testing::Test {
protected:
    FileMenuTest()
    {
        folder.write("MessageENG.ini", "[Message]\r\n12=File missing.@48\r\n13=Conversion failed.@16\r\n"
                                       "[Question]\r\n2=Discard the download?@36\r\n[Label]\r\n51=All (*.*)\r\n55=Bayer (*.BYR)\r\n56=Grey (*.GRY)\r\n");
        fs::create_directories(folder / "TMP");
        fs::create_directories(folder / "IMAGE");
        state.programFolder = folder.path();
        state.gLanguage = 1;
    }

    std::vector<std::string> boxes() const
    {
        std::vector<std::string> b;
        for (const auto& box : prompter.shown)
            b.push_back(box.number >= 0 ? box.section + " " + std::to_string(box.number) : "error: " + box.text);
        return b;
    }
    template <typename T> T* control(const char* name, int index = -1) { return findControlAs<T>(&window, name, index); }
    QString values()
    {
        QStringList v;
        for (int i = 0; i < 6; ++i)
            v << control<QLabel>("lblValue", i)->text();
        return v.join(' ');
    }
    // The three controls that need an image, all enabled (true), all disabled (false), or mixed.
    std::optional<bool> imageControls()
    {
        bool a = control<QAction>("mnuBmpSave")->isEnabled(), b = control<QAction>("mnuBinsave2")->isEnabled(),
             c = control<QPushButton>("cmdLoad")->isEnabled();
        if (a == b && b == c)
            return a;
        return std::nullopt;
    }
    bool pictureShown() { return !window.picCnvBmp()->picture().isNull(); }

    fs::path writePln(const std::string& name, int16_t width, int16_t height, uint8_t colourFlag = 0)
    {
        PlnHeader h = controllerHeader(width, height);
        h.colourFlag = colourFlag;
        writeBytes(folder / name, plnFileBytes(h, randomBytes(std::size_t(width) * height, width)));
        return folder / name;
    }
    fs::path writeBmp(const std::string& name, int32_t width, int32_t height)
    {
        BmpPixelBuffer buffer;
        buffer.assignZero(width, height);
        buffer.bytes = randomBytes(buffer.bytes.size(), 7);
        std::vector<uint8_t> file;
        EXPECT_TRUE(encodeBmp(buffer, width, height, file));
        writeBytes(folder / name, file);
        return folder / name;
    }
    void openPln(const fs::path& file)
    {
        dialogs.choose(file);
        menu.mnuBinload2_Click();
    }

    TempFolder folder;
    AppState state;
    RecordingPrompter prompter;
    Messenger messages{state, prompter};
    ScriptedFileDialogs dialogs;
    frmMain window;
    ImageView view{&window};
    FileMenu menu{&window, state, messages, dialogs, view};
};

TEST(ImageControlsTest, ConnectingEnablesExactlyTheEntriesThatWorkWithoutAnImage)
{
    AppState state;
    RecordingPrompter prompter;
    Messenger messages{state, prompter};
    DeviceLink link(state, messages);
    ScriptedFileDialogs dialogs;
    frmMain window;
    ImageControls image(&window, link, dialogs);
    for (const char* name : {"mnuBinload2", "mnuBmpLoad"})
        EXPECT_TRUE(findControlAs<QAction>(&window, name)->isEnabled()) << name;
    for (const char* name : {"cmdCapture", "cmdConvert"})
        EXPECT_TRUE(findControlAs<QPushButton>(&window, name)->isEnabled()) << name;
    for (const char* name : {"mnuBinsave2", "mnuBmpSave"})
        EXPECT_FALSE(findControlAs<QAction>(&window, name)->isEnabled()) << name;
    EXPECT_FALSE(findControlAs<QPushButton>(&window, "cmdLoad")->isEnabled());
}

TEST_F(FileMenuTest, OpeningARawFileShowsItAndEnablesTheImageControls)
{
    findControlAs<QRadioButton>(&window, "optSelect", 1)->setChecked(true);
    openPln(writePln("x.BYR", 608, 464));

    ASSERT_EQ(dialogs.shown.size(), 1u);
    const FileDialogRequest& r = dialogs.shown[0].request;
    EXPECT_EQ(r.kind, FileDialogRequest::Kind::Open);
    EXPECT_EQ(r.filter, "Grey (*.GRY)|*.GRY|Bayer (*.BYR)|*.BYR");
    EXPECT_EQ(r.filterIndex, 2);
    EXPECT_EQ(r.initialFolder, folder / "IMAGE");
    EXPECT_TRUE(boxes().empty()) << boxes()[0];
    EXPECT_EQ(values(), "3 0 0 0 608 464");
    EXPECT_EQ(imageControls(), true);
    EXPECT_TRUE(pictureShown());
    EXPECT_EQ(window.picCnvBmp()->picture().size(), QSize(608, 464));
    EXPECT_TRUE(control<QRadioButton>("optSelect", 0)->isChecked());
    EXPECT_EQ(fs::file_size(folder / "TMP" / "tmp.bin"), 608u * 464u);
}

TEST_F(FileMenuTest, AFailedConversionLeavesNoImage)
{
    openPln(writePln("x.BYR", 608, 464));
    ASSERT_EQ(imageControls(), true);
    // The picture cannot be written where a folder stands.
    fs::remove(folder / "TMP" / "tmp.bmp");
    fs::create_directories(folder / "TMP" / "tmp.bmp");
    openPln(writePln("y.BYR", 600, 460));

    EXPECT_EQ(boxes(), std::vector<std::string>{"Message 13"});
    EXPECT_EQ(imageControls(), false);
    EXPECT_FALSE(pictureShown());
    EXPECT_EQ(values().trimmed(), QString()); // emptied with the picture
}

TEST_F(FileMenuTest, ACancelledOrFailedOpenChangesNothingShown)
{
    openPln(writePln("x.BYR", 608, 464));
    state.gUnsavedDownload = -1;
    dialogs.cancel();
    menu.mnuBinload2_Click();
    dialogs.cancel();
    menu.mnuBmpLoad_Click();
    openPln(folder / "absent.BYR");
    dialogs.choose(folder / "x.BYR"); // not a BMP
    menu.mnuBmpLoad_Click();

    // Question 2 before each dialog (answered OK), and one reader's error box each.
    std::vector<std::string> kinds;
    for (const auto& box : prompter.shown)
        kinds.push_back(box.number >= 0 ? box.section + " " + std::to_string(box.number) : "error");
    ASSERT_EQ(kinds, (std::vector<std::string>{"Question 2", "Question 2", "Question 2", "error", "Question 2", "error"}));
    EXPECT_EQ(prompter.shown[3].style & kStyleCritical, kStyleCritical);
    EXPECT_EQ(values(), "3 0 0 0 608 464");
    EXPECT_EQ(imageControls(), true);
    EXPECT_TRUE(pictureShown());
    EXPECT_EQ(state.gUnsavedDownload, -1);
}

// Saving as a raw file: the filter follows the image kind, a ".bmp" name still saves a
// Bayer raw file, and the image is fitted into the controller frame first.
TEST_F(FileMenuTest, SavingAsARawFile)
{
    struct Case {
        const char* source;
        int16_t width, height;
        uint8_t colourFlag;
        const char* chosen;
        const char* written;
        const char* filter;
    };
    const Case cases[] = {
        {"g.GRY", 608, 464, 1, "out.bmp", "out.BYR", "All (*.*)|*.*|Grey (*.GRY)| *.GRY"},
        {"b.BYR", 600, 460, 0, "fit.BYR", "fit.BYR", "All (*.*)|*.*|Bayer (*.BYR)| *.BYR"},
        {"c.BYR", 608, 464, 0, "plain", "plain", "All (*.*)|*.*|Bayer (*.BYR)| *.BYR"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.source);
        openPln(writePln(c.source, c.width, c.height, c.colourFlag));
        state.gUnsavedDownload = -1;
        dialogs.choose(folder / "IMAGE" / c.chosen);
        menu.mnuBinsave2_Click();

        EXPECT_EQ(dialogs.shown.back().request.kind, FileDialogRequest::Kind::Save);
        EXPECT_EQ(dialogs.shown.back().request.filter, c.filter);
        EXPECT_TRUE(dialogs.shown.back().request.overwritePrompt);
        EXPECT_EQ(fs::file_size(folder / "IMAGE" / c.written), 282156u);
        if (std::string(c.chosen) != c.written)
            EXPECT_FALSE(fs::exists(folder / "IMAGE" / c.chosen));
        EXPECT_EQ(state.images.sensorImage.plnHeader.width, 608);
        EXPECT_EQ(state.images.sensorImage.plnHeader.height, 464);
        EXPECT_EQ(state.images.sensorImage.pixels.data.size(), 608u * 464u);
        EXPECT_EQ(state.gUnsavedDownload, 0);
    }
    EXPECT_TRUE(boxes().empty());
}

TEST_F(FileMenuTest, FittedImageIsTheOneSaved)
{
    openPln(writePln("b.BYR", 600, 460));
    dialogs.choose(folder / "fit.BYR");
    menu.mnuBinsave2_Click();
    ImageWorkspace back;
    RecordingReporter reporter;
    ASSERT_TRUE(fncReadFile_PLN(back, folder / "fit.BYR", reporter));
    EXPECT_EQ(back.sensorImage.pixels.data, state.images.sensorImage.pixels.data);
    EXPECT_EQ(back.sensorImage.pixels.at(0, 0), 0); // frame column 0 stays black
}

TEST_F(FileMenuTest, SavesWithoutWorkFilesShowMessage12Only)
{
    menu.mnuBinsave2_Click();
    menu.mnuBmpSave_Click();
    EXPECT_EQ(boxes(), (std::vector<std::string>{"Message 12", "Message 12"}));
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(FileMenuTest, SavingThePictureProposesTheRawNameAsBmpAndCopiesIt)
{
    openPln(writePln("shot.GRY", 608, 464, 1));
    state.gUnsavedDownload = -1;
    dialogs.choose(folder / "IMAGE" / "shot.bmp");
    menu.mnuBmpSave_Click();

    EXPECT_EQ(dialogs.shown.back().proposed, (folder / "shot.bmp").string());
    EXPECT_EQ(dialogs.shown.back().request.filter, "All (*.*)|*.*|*.bmp|*.bmp");
    EXPECT_EQ(readBytes(folder / "IMAGE" / "shot.bmp"), readBytes(folder / "TMP" / "tmp.bmp"));
    EXPECT_EQ(state.gUnsavedDownload, 0);

    // A copy that fails is reported once and the picture still counts as unsaved.
    state.gUnsavedDownload = -1;
    dialogs.choose(folder / "no-such-folder" / "x.bmp");
    menu.mnuBmpSave_Click();
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].style & kStyleCritical, kStyleCritical);
    EXPECT_EQ(state.gUnsavedDownload, -1);
}

TEST_F(FileMenuTest, OpeningABmpShowsItUnchangedAndLeavesA464RowRawWorkFile)
{
    const fs::path bmp = writeBmp("pic.bmp", 600, 460);
    dialogs.choose(bmp);
    menu.mnuBmpLoad_Click();

    EXPECT_EQ(dialogs.shown.back().request.filter, "*.bmp|*.bmp");
    EXPECT_EQ(dialogs.shown.back().request.filterIndex, 2);
    EXPECT_TRUE(boxes().empty());
    EXPECT_EQ(values(), "3 0 0 0 600 460");
    EXPECT_EQ(imageControls(), true);
    EXPECT_EQ(window.picCnvBmp()->picture().convertToFormat(QImage::Format_RGB32),
              QImage(QString::fromStdString(bmp.string())).convertToFormat(QImage::Format_RGB32));
    EXPECT_EQ(readBytes(folder / "TMP" / "tmp.bmp"), readBytes(bmp));
    EXPECT_EQ(fs::file_size(folder / "TMP" / "tmp.bin"), 600u * 464u);
    EXPECT_EQ(state.gUnsavedDownload, 0);
}

TEST_F(FileMenuTest, ThePictureZoomsAndTheStatusLineReadsThePixelUnderTheMouse)
{
    folder.write("MessageENG.ini", "[Message]\r\n13=Conversion failed.@16\r\n[Label]\r\n55=Bayer (*.BYR)\r\n"
                                   "56=Grey (*.GRY)\r\n340=Position\r\n341=Raw\r\n342=Shown\r\n343=Zoom\r\n344=fit\r\n");
    PictureReadout pictureReadout{&window, state, messages};
    window.show();
    window.resize(1100, 700);
    QApplication::processEvents();
    openPln(writePln("x.BYR", 608, 464));
    PictureBox* box = window.picCnvBmp();
    QLabel* zoom = control<QLabel>("lblZoom");
    QLabel* readout = control<QLabel>("lblPixel");
    EXPECT_EQ(zoom->text(), QStringLiteral("Zoom 100%"));

    struct Step {
        const char* entry;
        const char* keys;
        QSize size;
        const char* caption;
    } steps[] = {{"mnuZoom2", "Ctrl+2", {1216, 928}, "Zoom 200%"},
                 {"mnuZoom4", "Ctrl+4", {2432, 1856}, "Zoom 400%"},
                 {"mnuZoom1", "Ctrl+1", {608, 464}, "Zoom 100%"}};
    for (const Step& step : steps) {
        SCOPED_TRACE(step.entry);
        QAction* entry = control<QAction>(step.entry);
        EXPECT_EQ(entry->shortcut(), QKeySequence(QString::fromLatin1(step.keys)));
        entry->trigger();
        EXPECT_TRUE(entry->isChecked());
        EXPECT_EQ(box->size(), step.size);
        EXPECT_EQ(zoom->text(), QString::fromLatin1(step.caption));
    }

    // Fit: the whole picture in what the scroll area shows, its proportions kept.
    control<QAction>("mnuZoomFit")->trigger();
    QApplication::processEvents();
    auto* area = qobject_cast<QScrollArea*>(box->parentWidget()->parentWidget());
    ASSERT_NE(area, nullptr);
    const QSize room = area->maximumViewportSize();
    EXPECT_TRUE(box->width() == room.width() || box->height() == room.height()) << box->width() << "x" << box->height();
    EXPECT_LE(box->width(), room.width());
    EXPECT_LE(box->height(), room.height());
    EXPECT_EQ(std::abs(box->width() * 464 - box->height() * 608) < 608, true);
    EXPECT_TRUE(zoom->text().startsWith(QStringLiteral("Zoom fit ("))) << zoom->text().toStdString();

    // At 2:1 the screen pixel (21, 15) is picture pixel (10, 7): a green site of the blue-first
    // pattern (odd row, even column).
    control<QAction>("mnuZoom2")->trigger();
    QMouseEvent move(QEvent::MouseMove, QPointF(21, 15), box->mapToGlobal(QPointF(21, 15)), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(box, &move);
    const QColor shown = box->picture().pixelColor(10, 7);
    EXPECT_EQ(readout->text(), QStringLiteral("Position 10, 7    Raw %1 (G)    Shown R %2  G %3  B %4")
                                   .arg(state.images.sensorImage.pixels.at(10, 7))
                                   .arg(shown.red())
                                   .arg(shown.green())
                                   .arg(shown.blue()));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(box, &leave);
    EXPECT_EQ(readout->text(), QString());
}

TEST_F(FileMenuTest, TheHistogramCountsEachColourOfThePictureShownAndFollowsIt)
{
    PictureReadout pictureReadout{&window, state, messages};
    // Blue 10, green 20, red 30 everywhere: a swapped channel shows at once.
    BmpPixelBuffer buffer;
    buffer.assignZero(64, 48);
    for (std::size_t i = 0; i < buffer.bytes.size(); i += 3) {
        buffer.bytes[i] = 10;
        buffer.bytes[i + 1] = 20;
        buffer.bytes[i + 2] = 30;
    }
    std::vector<uint8_t> file;
    ASSERT_TRUE(encodeBmp(buffer, 64, 48, file));
    writeBytes(folder / "flat.bmp", file);
    dialogs.choose(folder / "flat.bmp");
    menu.mnuBmpLoad_Click();

    control<QAction>("mnuHistogram")->trigger();
    ASSERT_NE(pictureReadout.histogramWindow(), nullptr);
    EXPECT_TRUE(pictureReadout.histogramWindow()->isVisible());
    const Histogram& h = pictureReadout.histogramWindow()->chart()->histogram();
    EXPECT_EQ(h.pixels, 64u * 48u);
    EXPECT_EQ(h.counts[0][30], 64u * 48u);
    EXPECT_EQ(h.counts[1][20], 64u * 48u);
    EXPECT_EQ(h.counts[2][10], 64u * 48u);

    openPln(writePln("x.BYR", 608, 464));
    EXPECT_EQ(pictureReadout.histogramWindow()->chart()->histogram().pixels, 608u * 464u);
    view.showNoImage();
    EXPECT_EQ(pictureReadout.histogramWindow()->chart()->histogram().pixels, 0u);
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
