// The automatic batch conversion under the operation window (recording view, recorded boxes).
#include "operations/auto_convert.h"

#include "../image/image_test_support.h"
#include "app/app_state.h"
#include "image/pln_file.h"
#include "image/raw_conversion.h"
#include "recording_operation_view.h"
#include "recording_prompter.h"
#include "scripted_file_dialogs.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

class TestClock : public Clock {
public:
    int64_t now = 0;
    int64_t nowMs() override { return now; }
};

// Window events run once per file; onPump(n) stands for what the user did before pump n.
// Each file takes `fileMs` on the clock.
class PumpWaiter : public Waiter {
public:
    explicit PumpWaiter(TestClock& clock) : clock_(clock) {}
    int pumps = 0;
    int64_t fileMs = 50;
    std::function<void(int)> onPump;
    void waitUntil(int64_t, Pump pump) override
    {
        EXPECT_EQ(pump, Pump::All);
        ++pumps;
        clock_.now += fileMs;
        if (onPump)
            onPump(pumps);
    }

private:
    TestClock& clock_;
};

class ProgressView : public RecordingOperationView {
public:
    std::vector<std::string> lines;
    void setReadText(const std::string& text) override
    {
        if (!text.empty())
            lines.push_back(text);
        RecordingOperationView::setReadText(text);
    }
};

class AutoConvert : public ::testing::Test {
protected:
    TempDir dir;
    AppState state;
    RecordingPrompter prompter;
    Messenger messages{state, prompter};
    ProgressView view;
    ScriptedFileDialogs dialogs;
    TestClock clock;
    PumpWaiter waiter{clock};

    void SetUp() override
    {
        state.programFolder = dir.path();
        state.gLanguage = 1;
        dir.write("MessageENG.ini", "[Message]\r\n1=Done.@64\r\n12=Missing.@48\r\n13=Not converted.@16\r\n"
                                    "[Label]\r\n6=Preparing\r\n14=Converting file\r\n15=Converting...\r\n");
        fs::create_directories(dir / "in");
        fs::create_directories(dir / "out");
        state.gSaveFolder = (dir / "out").string() + "/";
        dialogs.fileName = "last.BYR";
    }

    // A raw file of 8 x 4 pixels in "in", added to the batch list.
    void add(const std::string& name, uint32_t seed)
    {
        writeBytes(dir / "in" / name, plnFileBytes(controllerHeader(8, 4), randomBytes(32, seed)));
        addListed(name);
    }
    void addListed(const std::string& name)
    {
        state.gFileNames.push_back(name);
        state.gFilePaths.push_back((dir / "in" / name).string());
    }

    bool run()
    {
        AutoConvertContext ctx{state, messages, view, dialogs, clock, waiter, "PLN TOOL main"};
        return fncHkrAutoConvert(ctx);
    }

    std::vector<long> boxNumbers() const
    {
        std::vector<long> numbers;
        for (const BoxRequest& b : prompter.shown)
            numbers.push_back(b.number);
        return numbers;
    }

    // The BMP a file converts to on its own.
    std::vector<uint8_t> bmpOf(const std::string& name)
    {
        ImageWorkspace ws;
        RecordingReporter reporter;
        EXPECT_EQ(convertBatchEntry(ws, reporter, dir.path(), dir / "in" / name), EntryResult::Converted);
        return readBytes(dir / "TMP" / "tmp.bmp");
    }
};

} // namespace

TEST_F(AutoConvert, ConvertsEveryFileUnderTheWindowAndShowsItsProgress)
{
    for (int i = 0; i < 12; ++i)
        add("p" + std::to_string(i) + (i % 2 ? ".GRY" : ".BYR"), i);
    state.gStopRequest = -1; // left from an earlier operation: cleared at the start

    EXPECT_TRUE(run());
    EXPECT_EQ(boxNumbers(), std::vector<long>{1});
    EXPECT_EQ(view.lines.size(), 12u);
    EXPECT_EQ(view.lines[2], "Converting file 3 / 12");
    EXPECT_EQ(view.lines.back(), "Converting file 12 / 12");
    EXPECT_EQ(view.steps, (std::vector<long>{6, 15}));
    EXPECT_EQ(view.stepText, "Converting...");
    EXPECT_FALSE(view.shown);
    EXPECT_TRUE(view.mainEnabled);
    EXPECT_EQ(view.log.front(), "step 6");
    EXPECT_EQ(view.log[1], "main off");
    EXPECT_EQ(view.log.back(), "unload");
    for (int i = 0; i < 12; ++i)
        EXPECT_TRUE(fs::exists(dir / "out" / ("p" + std::to_string(i) + ".bmp"))) << i;
    EXPECT_EQ(state.gFileNames[1], "p1.bmp"); // the list holds the output names now
    EXPECT_EQ(dialogs.fileName, "last.BYR");
}

TEST_F(AutoConvert, QuickFilesRedrawTheProgressLineAtMost25TimesASecond)
{
    for (int i = 0; i < 12; ++i)
        add("q" + std::to_string(i) + ".BYR", i);
    waiter.fileMs = 15;
    EXPECT_TRUE(run());
    // Files 1 (always), 4, 7 and 10 (40 ms on), and 12 (always).
    EXPECT_EQ(view.lines, (std::vector<std::string>{"Converting file 1 / 12", "Converting file 4 / 12",
                                                    "Converting file 7 / 12", "Converting file 10 / 12",
                                                    "Converting file 12 / 12"}));
}

TEST_F(AutoConvert, NamesThatMeetAndNamesTheReplacementLeavesAlone)
{
    // x.BYR and x.GRY both give x.bmp: the second replaces the first. A lower-case source
    // converted into its own folder keeps its bytes; its BMP is named after it with ".bmp".
    add("x.BYR", 1);
    add("x.GRY", 2);
    add("d.byr", 3);
    const auto source = readBytes(dir / "in" / "d.byr");
    const auto expectedX = bmpOf("x.GRY");
    state.gSaveFolder = (dir / "in").string() + "/";
    EXPECT_TRUE(run());
    EXPECT_EQ(readBytes(dir / "in" / "x.bmp"), expectedX);
    EXPECT_EQ(readBytes(dir / "in" / "d.byr"), source);
    EXPECT_TRUE(fs::exists(dir / "in" / "d.byr.bmp"));
    EXPECT_EQ(state.gFileNames, (std::vector<std::string>{"x.bmp", "x.bmp", "d.byr.bmp"}));
}

TEST_F(AutoConvert, AFailureInTheMiddleEndsTheRun)
{
    add("a.BYR", 1);
    add("b.BYR", 2);
    addListed("c.BYR"); // not there: the reader's box
    add("d.BYR", 4);
    add("e.BYR", 5);
    EXPECT_FALSE(run());
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].style & 0xF0, int(kStyleCritical));
    EXPECT_TRUE(fs::exists(dir / "out" / "a.bmp"));
    EXPECT_TRUE(fs::exists(dir / "out" / "b.bmp"));
    EXPECT_FALSE(fs::exists(dir / "out" / "d.bmp"));
    EXPECT_FALSE(fs::exists(dir / "out" / "e.bmp"));
    EXPECT_EQ(view.lines.back(), "Converting file 3 / 5");
    EXPECT_EQ(dialogs.fileName, "");
    EXPECT_TRUE(view.mainEnabled);
    EXPECT_FALSE(view.shown);
}

TEST_F(AutoConvert, StopIsSeenBeforeTheNextFile)
{
    for (const char* name : {"a.BYR", "b.BYR", "c.BYR", "d.BYR", "e.BYR"})
        add(name, 7);
    // Stop pressed while the second file converts: its click runs at the next pump.
    waiter.onPump = [&](int pump) {
        if (pump == 3)
            state.gStopRequest = -1;
    };
    EXPECT_TRUE(run());
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_TRUE(fs::exists(dir / "out" / "b.bmp"));
    EXPECT_FALSE(fs::exists(dir / "out" / "c.bmp"));
    EXPECT_EQ(view.lines.size(), 2u);
    EXPECT_EQ(dialogs.fileName, "last.BYR");
    EXPECT_TRUE(view.mainEnabled);
    EXPECT_FALSE(view.shown);
}

TEST_F(AutoConvert, ACopyThatFailsLeavesTheEarlierFile)
{
    add("a.BYR", 1);
    add("b.BYR", 2);
    dir.write("out/b.bmp", "earlier");
    fs::create_directories(dir / "out" / "a.bmp"); // a folder where the first BMP would go
    EXPECT_FALSE(run());
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_NE(prompter.shown[0].text.find("a.bmp"), std::string::npos);
    EXPECT_EQ(dir.read("out/b.bmp"), "earlier");
    EXPECT_TRUE(fs::is_directory(dir / "out" / "a.bmp"));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir / "out"), fs::directory_iterator()), 2);
}
