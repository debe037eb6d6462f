#include "app/label_file.h"
#include "app/app_state.h"
#include "temp_folder.h"

#include <QStringEncoder>
#include <gtest/gtest.h>

namespace {

std::string cp932(const char* utf8)
{
    QStringEncoder encode("cp932");
    return QByteArray(encode(QString::fromUtf8(utf8))).toStdString();
}

TEST(LabelFile, ParsesNamesIndicesCaptionsFontsAndSizes)
{
    TempFolder dir;
    AppState state;
    state.programFolder = dir.path();
    state.gLanguage = 1;
    dir.write("LabelENG.ini",
              "[frmOption]\r\n"
              "; a comment=x@y@9\r\n"
              "frmOption=Options@Noto Sans@9\r\n"
              "CMDOK=O\tK@Noto\tSans@9.5\r\n"
              "optImage@1=Two\\nlines@Noto Sans@10.5\r\n"
              "cmdCancel=Cancel@Noto Sans@9=ignored\r\n"
              "noEquals\r\n"
              "lblA=too@few\r\n"
              "lblB=x@f@big\r\n"
              "lblC@x=x@f@9\r\n"
              "=x@f@9\r\n"
              "[other]\r\nlblD=x@f@9\r\n");
    auto e = readLabelEntries(state, "FRMOPTION");
    ASSERT_EQ(e.size(), 4u);
    EXPECT_EQ(e[0].name, "frmOption");
    EXPECT_EQ(e[0].caption, "Options");
    EXPECT_EQ(e[1].name, "CMDOK");
    EXPECT_EQ(e[1].caption, "OK");
    EXPECT_EQ(e[1].fontName, "NotoSans");
    EXPECT_EQ(e[1].fontSize, 10); // 9.5 rounds to the even 10
    EXPECT_EQ(e[1].index, -1);
    EXPECT_EQ(e[2].index, 1);
    EXPECT_EQ(e[2].caption, "Two\\nlines");
    EXPECT_EQ(e[2].fontSize, 10); // 10.5 rounds to the even 10
    EXPECT_EQ(e[3].caption, "Cancel");
    EXPECT_EQ(e[3].fontSize, 9);
}

TEST(LabelFile, JapaneseCaptionsKeepCharactersWhoseBytesLookLikeSeparators)
{
    TempFolder dir;
    AppState state;
    state.programFolder = dir.path();
    state.gLanguage = 0;
    dir.write("LabelJPN.ini", "[frmMain]\r\ncmdCapture=" + cp932("画像表示　ソフト[]") + "@" +
                                  cp932("Noto Sans CJK JP") + "@9\r\n");
    auto e = readLabelEntries(state, "frmMain");
    ASSERT_EQ(e.size(), 1u);
    EXPECT_EQ(e[0].caption, "画像表示　ソフト[]");
    EXPECT_EQ(e[0].fontName, "Noto Sans CJK JP");
}

TEST(LabelFile, MissingFileOrSectionGivesNothing)
{
    TempFolder dir;
    AppState state;
    state.programFolder = dir.path();
    EXPECT_TRUE(readLabelEntries(state, "frmMain").empty());
    dir.write("LabelJPN.ini", "[frmAbout]\r\nx=a@b@9\r\n");
    EXPECT_TRUE(readLabelEntries(state, "frmMain").empty());
}

} // namespace
