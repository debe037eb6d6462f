#include "app/ini_file.h"
#include "app/ini_read.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct ReadCase {
    const char* name;
    std::string file;
    std::string section;
    std::string key;
    std::optional<std::string> expected;
};

// The case's name, not its bytes, in the test listing.
void PrintTo(const ReadCase& c, std::ostream* os) { *os << c.name; }

class IniReadKey : public testing::TestWithParam<ReadCase> {};

TEST_P(IniReadKey, ReadsLikeThePrivateProfileFunctions)
{
    TempFolder dir;
    dir.write("t.ini", GetParam().file);
    EXPECT_EQ(ini::readKey(dir / "t.ini", GetParam().section, GetParam().key), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, IniReadKey, testing::Values(
    ReadCase{"CaseInsensitiveNames", "[Sec]\r\nKey=v\r\n", "SEC", "kEY", "v"},
    ReadCase{"BlanksTrimmedInnerKept", "[s]\r\n  key  =  value with  spaces \t \r\n", "s", "key", "value with  spaces"},
    ReadCase{"DoubleQuotesRemoved", "[s]\r\nd=\"quoted\"\r\n", "s", "d", "quoted"},
    ReadCase{"SingleQuotesRemoved", "[s]\r\ns='q'\r\n", "s", "s", "q"},
    ReadCase{"BlanksInsideQuotesKept", "[s]\r\nv= \"  x  \" \r\n", "s", "v", "  x  "},
    ReadCase{"UnmatchedQuotesKept", "[s]\r\na=\"abc'\r\nb=\"abc\r\nc=\"\r\n", "s", "a", "\"abc'"},
    ReadCase{"LoneQuoteKept", "[s]\r\nc=\"\r\n", "s", "c", "\""},
    ReadCase{"LineWithoutEqualsHasNoValue", "[s]\r\nname3\r\n", "s", "name3", std::nullopt},
    ReadCase{"SplitAtFirstEquals", "[s]\r\nk=a=b\r\n", "s", "k", "a=b"},
    ReadCase{"NoInlineComments", "[s]\r\nk=v ; note\r\n", "s", "k", "v ; note"},
    ReadCase{"CommentLineIsNoValue", "[s]\r\n;k=v\r\n", "s", "k", std::nullopt},
    ReadCase{"HashIsNoComment", "[s]\r\n#k=1\r\n", "s", "#k", "1"},
    ReadCase{"EmptyValue", "[s]\r\nk=\r\n", "s", "k", ""},
    ReadCase{"OnlyFirstSectionOfAName", "[s]\r\na=1\r\n[t]\r\n[S]\r\nb=2\r\n", "s", "b", std::nullopt},
    ReadCase{"FirstKeyWins", "[s]\r\na=1\r\nA=2\r\n", "s", "a", "1"},
    ReadCase{"LinesBeforeFirstHeaderBelongNowhere", "k=top\r\n[s]\r\n", "s", "k", std::nullopt},
    ReadCase{"SectionNameTrimmed", "[ my sec ]\r\nk=1\r\n", "my sec", "k", "1"},
    ReadCase{"TextAfterHeaderIgnored", "[sec] ; note\r\nk=1\r\n", "sec", "k", "1"},
    ReadCase{"UnclosedHeaderIsOrdinaryLine", "[s]\r\n[sec\r\nk=1\r\n", "s", "k", "1"},
    ReadCase{"EmptyFile", "", "s", "k", std::nullopt},
    ReadCase{"LfOnly", "[s]\nk=1\nj=2", "s", "j", "2"},
    ReadCase{"CrOnlyAndMixed", "[s]\rk=1\r\nj=2\n", "s", "k", "1"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(IniReadKey, MissingFileGivesNothing)
{
    TempFolder dir;
    EXPECT_EQ(ini::readKey(dir / "none.ini", "s", "k"), std::nullopt);
}

TEST(IniRead, ValuesOf999CharactersOrMoreAreRefused)
{
    TempFolder dir;
    dir.write("t.ini", "[s]\r\na=" + std::string(998, 'x') + "\r\nb=" + std::string(999, 'y') + "\r\n");
    std::string v;
    EXPECT_EQ(fncReadIni(dir / "t.ini", "s", "a", v), IniRead::Ok);
    EXPECT_EQ(v.size(), 998u);
    EXPECT_EQ(fncReadIni(dir / "t.ini", "s", "b", v), IniRead::TooLong);
    EXPECT_EQ(v, "");
    EXPECT_EQ(fncReadIni(dir / "t.ini", "s", "c", v), IniRead::Missing);
}

TEST(IniReadSection, EntriesTrimmedQuotesKeptCommentsIncluded)
{
    TempFolder dir;
    dir.write("t.ini", "[a]\r\nx=1\r\n[Win]\r\n ; note \r\n  k =  \"v\" \r\n\r\nbare line\r\n[b]\r\ny=2\r\n");
    EXPECT_EQ(ini::readSection(dir / "t.ini", "WIN"), (std::vector<std::string>{"; note", "k=\"v\"", "bare line"}));
    EXPECT_EQ(ini::readSectionBuffer(dir / "t.ini", "win"), std::string("; note\0k=\"v\"\0bare line\0\0", 24));
    EXPECT_EQ(ini::readSectionBuffer(dir / "t.ini", "none"), std::string("\0\0", 2));
    EXPECT_EQ(ini::readSectionBuffer(dir / "missing.ini", "a"), std::string("\0\0", 2));
}

TEST(IniReadSection, DataBeyondTheBufferCutsTheLastEntry)
{
    TempFolder dir;
    dir.write("t.ini", "[s]\r\nabc=1\r\ndef=2\r\n");
    std::string b = ini::readSectionBuffer(dir / "t.ini", "s", 8);
    EXPECT_EQ(b.size(), 8u);
    EXPECT_EQ(b, std::string("abc=1\0\0\0", 8));
    b = ini::readSectionBuffer(dir / "t.ini", "s", 10);
    EXPECT_EQ(b, std::string("abc=1\0de\0\0", 10));
}

struct WriteCase {
    const char* name;
    std::string before;
    std::string section, key, value;
    std::string after;
};

void PrintTo(const WriteCase& c, std::ostream* os) { *os << c.name; }

class IniWriteKey : public testing::TestWithParam<WriteCase> {};

TEST_P(IniWriteKey, WritesInPlaceAppendsOrCreates)
{
    TempFolder dir;
    const auto& c = GetParam();
    dir.write("t.ini", c.before);
    ASSERT_TRUE(ini::writeKey(dir / "t.ini", c.section, c.key, c.value));
    EXPECT_EQ(dir.read("t.ini"), c.after);
}

INSTANTIATE_TEST_SUITE_P(Cases, IniWriteKey, testing::Values(
    WriteCase{"InPlaceKeepsSpellingAndOtherBytes", "; top\n[COM]\r\n  PORT = 1 \r\n\r\n;c\nSetting=x", "com", "port", "3",
              "; top\n[COM]\r\nPORT=3\r\n\r\n;c\nSetting=x"},
    WriteCase{"AppendedAfterLastNonBlankLineOfSection", "[a]\r\nx=1\r\n\r\n[b]\r\ny=2\r\n", "A", "z", "9",
              "[a]\r\nx=1\r\nz=9\r\n\r\n[b]\r\ny=2\r\n"},
    WriteCase{"AppendedToLastSectionWithoutFinalLineEnd", "[a]\r\nx=1", "a", "z", "9", "[a]\r\nx=1\r\nz=9\r\n"},
    WriteCase{"SectionAppendedAtEndWithoutBlankLine", "[a]\r\nx=1\r\n", "COM", "Port", "1", "[a]\r\nx=1\r\n[COM]\r\nPort=1\r\n"},
    WriteCase{"SectionAppendedAfterUnterminatedLine", "[a]\nx=1", "b", "k", "v", "[a]\nx=1\r\n[b]\r\nk=v\r\n"},
    WriteCase{"EmptyFile", "", "OPERATION", "Language", "Japanese", "[OPERATION]\r\nLanguage=Japanese\r\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(IniWriteKey, CreatesAMissingFile)
{
    TempFolder dir;
    ASSERT_TRUE(ini::writeKey(dir / "new.ini", "OPERATION", "Language", "Japanese"));
    EXPECT_EQ(dir.read("new.ini"), "[OPERATION]\r\nLanguage=Japanese\r\n");
}

TEST(IniWriteKey, SameValueLeavesTheFileUntouched)
{
    TempFolder dir;
    dir.write("t.ini", "[s]\nk = v\n");
    struct stat before {};
    ::stat((dir / "t.ini").c_str(), &before);
    ASSERT_TRUE(ini::writeKey(dir / "t.ini", "s", "k", "v"));
    struct stat after {};
    ::stat((dir / "t.ini").c_str(), &after);
    EXPECT_EQ(before.st_ino, after.st_ino);
    EXPECT_EQ(dir.read("t.ini"), "[s]\nk = v\n");
}

TEST(IniWriteKey, RefusesLineBreaksAndReadOnlyFiles)
{
    TempFolder dir;
    dir.write("t.ini", "[s]\r\nk=v\r\n");
    EXPECT_FALSE(ini::writeKey(dir / "t.ini", "s", "k", "a\r\n[evil]"));
    EXPECT_FALSE(ini::writeKey(dir / "t.ini", "s", "k\n", "a"));
    std::filesystem::permissions(dir / "t.ini", std::filesystem::perms::owner_read);
    if (::access((dir / "t.ini").c_str(), W_OK) != 0) // root may write anyway
        EXPECT_FALSE(ini::writeKey(dir / "t.ini", "s", "k", "new"));
    std::filesystem::permissions(dir / "t.ini", std::filesystem::perms::owner_all);
    EXPECT_EQ(dir.read("t.ini"), "[s]\r\nk=v\r\n");
}

} // namespace
