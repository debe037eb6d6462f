// The File menu's image commands on the main window, with scripted file dialogs and boxes.
#include "control_index.h"
#include "file_menu.h"
#include "frm_main.h"
#include "image_controls.h"
#include "image_view.h"
#include "picture_box.h"
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
#include <QRadioButton>

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

class FileMenuTest : public ::testing::Test {
protected:
    FileMenuTest()
    {
        folder.write("MessageENG.ini", "[Message]\r\n12=File missing.@48\r\n13=Conversion failed.@16\r\n"
                                       "[Label]\r\n51=All (*.*)\r\n55=Bayer (*.BYR)\r\n56=Grey (*.GRY)\r\n");
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
    EXPECT_EQ(values(), "3 0 0 0 600 460");
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

    ASSERT_EQ(prompter.shown.size(), 2u); // one reader's error box each
    EXPECT_EQ(prompter.shown[0].style & kStyleCritical, kStyleCritical);
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
    state.gUnsavedDownload = -1;
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
    EXPECT_EQ(state.gUnsavedDownload, -1);
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
