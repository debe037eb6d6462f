// The batch window's layout and scroll arithmetic, in twips.
#include "window_models/batch_window_layout.h"

#include <gtest/gtest.h>

namespace {

std::vector<std::string> numberedNames(int count, std::size_t length = 8)
{
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i) {
        std::string name = "IMG" + std::to_string(i) + ".BYR";
        names.push_back(name + std::string(length > name.size() ? length - name.size() : 0, 'x'));
    }
    return names;
}

} // namespace

TEST(BatchWindowLayout, MinimumSizeGivesTheListBoxOf2160By4080)
{
    const BatchWindowLayout l = batchWindowLayout(1000, 2000, {});
    EXPECT_EQ(l.height, kMinWindowHeight);
    EXPECT_EQ(l.width, kMinWindowWidth);
    EXPECT_EQ(l.fileBox.height, 2160);
    EXPECT_EQ(l.fileBox.width, 4080);
    EXPECT_EQ(l.convFrame.height, 4470 - 1455);
    EXPECT_EQ(l.convFrame.width, 5415 - 600);
    EXPECT_EQ(l.tateScr.left, 5415 - 990);
    EXPECT_EQ(l.tateScr.height, 2160);
    EXPECT_EQ(l.yokoScr.top, 4470 - 1830);
    EXPECT_EQ(l.yokoScr.width, 4080);
    EXPECT_FALSE(l.tate.visible);
    EXPECT_FALSE(l.yoko.visible);
}

TEST(BatchWindowLayout, ButtonsInOneRowAroundTheMiddle)
{
    const BatchWindowLayout l = batchWindowLayout(6000, 9000, {});
    EXPECT_EQ(l.cmdAuto.left, 4500 - 660);
    EXPECT_EQ(l.cmdOK.left, l.cmdAuto.left - 1320);
    EXPECT_EQ(l.cmdCancel.left, l.cmdAuto.left + 1320);
    for (const TwipRect& b : {l.cmdOK, l.cmdAuto, l.cmdCancel})
        EXPECT_EQ(b.top, 6000 - 990);
    // Nothing overlaps: list, vertical bar, frame edge; list, horizontal bar, buttons.
    EXPECT_LE(l.fileBox.left + l.fileBox.width, l.tateScr.left);
    EXPECT_LE(l.tateScr.left + l.tateScr.width, l.convFrame.left + l.convFrame.width);
    EXPECT_LE(l.fileBox.top + l.fileBox.height, l.yokoScr.top);
    EXPECT_LE(l.yokoScr.top + l.yokoScr.height, l.convFrame.top + l.convFrame.height);
    EXPECT_LE(l.convFrame.top + l.convFrame.height, l.cmdOK.top);
    EXPECT_LE(l.cmdOK.left + l.cmdOK.width, l.cmdAuto.left);
    EXPECT_LE(l.cmdAuto.left + l.cmdAuto.width, l.cmdCancel.left);
}

TEST(BatchWindowLayout, ScrollMaximaAtTheMinimumSize)
{
    struct Case {
        const char* what;
        int count;
        std::size_t length;
        ScrollState tate, yoko;
    };
    const Case cases[] = {
        {"40 names: 39 - 2160 / 210 = 28.71", 40, 8, {true, 29}, {}},
        {"a 60-byte name: 60 - 4080 / 91 = 15.16", 1, 60, {}, {true, 15}},
        {"11 names: last index 10 < 10.29", 11, 8, {}, {}},
        {"12 names: 11 - 10.29 = 0.71", 12, 8, {true, 1}, {}},
        {"45 bytes: 45 - 44.84 = 0.16 rounds to 0 but shows", 1, 45, {}, {true, 0}},
        {"44 bytes fit", 1, 44, {}, {}},
        {"no names", 0, 8, {}, {}},
    };
    for (const Case& c : cases) {
        const BatchWindowLayout l = batchWindowLayout(kMinWindowHeight, kMinWindowWidth, numberedNames(c.count, c.length));
        EXPECT_EQ(l.tate, c.tate) << c.what;
        EXPECT_EQ(l.yoko, c.yoko) << c.what;
    }
}

TEST(BatchWindowLayout, MaximaRoundHalvesToEven)
{
    // 2205 twips are 10.5 lines: an excess of 0.5 rounds to 0, 1.5 to 2, 2.5 to 2.
    EXPECT_EQ(verticalScroll(2205, 12), (ScrollState{true, 0}));
    EXPECT_EQ(verticalScroll(2205, 13), (ScrollState{true, 2}));
    EXPECT_EQ(verticalScroll(2205, 14), (ScrollState{true, 2}));
}

TEST(BatchWindowLayout, NamesCountInCodePageBytesAndScrollByCharacters)
{
    EXPECT_EQ(codePageLength("x.BYR"), 5);
    EXPECT_EQ(codePageLength("\u753b\u50cf.BYR"), 8);       // two kanji: two bytes each
    EXPECT_EQ(codePageLength("\uff76\uff9e.BYR"), 6);       // half-width katakana: one byte each
    const std::vector<std::string> names = {"A.BYR", "BB.BYR", "\u753b\u50cf.GRY", "D.BYR"};
    EXPECT_EQ(fileBoxLines(names, 0, 0), names);
    // From the second entry, the first character cut: the kanji go whole, never half.
    EXPECT_EQ(fileBoxLines(names, 1, 1), (std::vector<std::string>{"B.BYR", "\u50cf.GRY", ".BYR"}));
    EXPECT_EQ(fileBoxLines(names, 3, 9), (std::vector<std::string>{""}));
    EXPECT_TRUE(fileBoxLines(names, 4, 0).empty());
}
