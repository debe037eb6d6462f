// Settings, message and label files as a shared PC leaves them: folders and FIFOs in their
// place, symlinks, read-only files, byte-order marks, and a system locale with a decimal comma.
#include "app/com_settings.h"
#include "app/app_state.h"
#include "app/ini_file.h"
#include "app/label_file.h"
#include "recording_prompter.h"
#include "app/settings.h"
#include "temp_folder.h"
#include "app/text_codec.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <functional>

#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

struct ProgramFolder : testing::Test {
    TempFolder dir;
    AppState state;
    RecordingPrompter prompter;
    Messenger messages{state, prompter};

    ProgramFolder()
    {
        state.programFolder = dir.path();
        state.gLanguage = 1;
        dir.write("MessageENG.ini", "[Message]\r\n99=Setting.ini cannot be read.@16\r\n281=UTF-16@48\r\n"
                                    "282=speed@16\r\n283=parity@16\r\n284=data bits@16\r\n285=stop bits@16\r\n"
                                    "286=form@16\r\n");
        ::setenv("LANG", "en_US.UTF-8", 1);
        ::unsetenv("LC_ALL");
        ::unsetenv("LC_MESSAGES");
        // A FIFO that blocked a reader would hang the test instead of failing it.
        ::alarm(30);
    }
    ~ProgramFolder() override { ::alarm(0); }

    std::vector<long> numbersShown() const
    {
        std::vector<long> n;
        for (const auto& box : prompter.shown)
            n.push_back(box.number);
        return n;
    }
};

// Each kind of name that is no regular file, made in the folder under the given name.
const std::vector<std::pair<const char*, std::function<void(const fs::path&)>>> kNotRegular = {
    {"folder", [](const fs::path& p) { fs::create_directory(p); }},
    {"FIFO", [](const fs::path& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0644), 0); }},
};

TEST_F(ProgramFolder, TextFilesThatAreNoRegularFilesReadAsUnreadableAndStayAsTheyAre)
{
    for (const auto& [kind, make] : kNotRegular) {
        SCOPED_TRACE(kind);
        TempFolder other;
        AppState s;
        s.programFolder = other.path();
        s.gLanguage = 1;
        for (const char* name : {"Setting.ini", "MessageENG.ini", "LabelENG.ini"})
            make(other / name);
        RecordingPrompter p;
        Messenger m(s, p);
        ASSERT_TRUE(fncLoadSettings(s, m));
        EXPECT_EQ(s.gComPort, 1);
        EXPECT_EQ(s.gComSettings, "38400,N,8,1");
        EXPECT_EQ(m.fncGetMessage("Message", 99), "");
        EXPECT_TRUE(readLabelEntries(s, "frmMain").empty());
        EXPECT_FALSE(ini::writeKey(other / "Setting.ini", "COM", "Port", "2"));
        struct stat info {};
        ASSERT_EQ(::lstat((other / "Setting.ini").c_str(), &info), 0);
        EXPECT_FALSE(S_ISREG(info.st_mode));
    }
}

TEST_F(ProgramFolder, SettingsWritesGoThroughASymlinkAndKeepTheMode)
{
    dir.write("real.ini", "[OPERATION]\r\nLanguage=English\r\n");
    ::chmod((dir / "real.ini").c_str(), 0600);
    fs::create_symlink("real.ini", dir / "Setting.ini");
    ASSERT_TRUE(ini::writeKey(state.settingsFile(), "COM", "Port", "3"));
    EXPECT_TRUE(fs::is_symlink(dir / "Setting.ini"));
    EXPECT_EQ(dir.read("real.ini"), "[OPERATION]\r\nLanguage=English\r\n[COM]\r\nPort=3\r\n");
    struct stat info {};
    ASSERT_EQ(::stat((dir / "real.ini").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0600u);
}

TEST_F(ProgramFolder, ASettingsFileWithoutWriteBitsIsLeftAloneEvenForRoot)
{
    const std::string text = "[OPERATION]\r\nLanguage=Deutsch\r\n";
    dir.write("Setting.ini", text);
    ::chmod(state.settingsFile().c_str(), 0444);
    ASSERT_TRUE(fncLoadSettings(state, messages));
    fncSaveLanguage(state, messages);
    EXPECT_EQ(dir.read("Setting.ini"), text);
    EXPECT_EQ(state.gComSettings, "38400,N,8,1"); // the defaults are used for this run
}

TEST_F(ProgramFolder, AUtf8ByteOrderMarkIsSkippedWhenReadingAndKeptWhenWriting)
{
    dir.write("Setting.ini", "\xEF\xBB\xBF[OPERATION]\r\nLanguage=English\r\n");
    ASSERT_TRUE(fncLoadSettings(state, messages));
    EXPECT_EQ(state.gLanguage, 1);
    EXPECT_EQ(dir.read("Setting.ini"), "\xEF\xBB\xBF[OPERATION]\r\nLanguage=English\r\n[COM]\r\nPort=1\r\n"
                                       "Setting=38400,N,8,1\r\nDelimitr=0\r\n");
}

TEST_F(ProgramFolder, AUtf16SettingsFileIsLeftUntouchedAndTheUserIsTold)
{
    const std::string text("\xFF\xFE[\0O\0P\0]\0\r\0\n\0", 14);
    dir.write("Setting.ini", text);
    ASSERT_TRUE(fncLoadSettings(state, messages));
    fncSaveLanguage(state, messages);
    fncSaveComSettings(state, messages);
    EXPECT_EQ(dir.read("Setting.ini"), text);
    EXPECT_EQ(numbersShown(), std::vector<long>{kMsgSettingsUtf16});
    EXPECT_EQ(state.gComSettings, "38400,N,8,1");
}

TEST(ComSettings, RefusesWhatThePortCannotDoNamingTheField)
{
    struct Case {
        const char* text;
        ComSettingsField field;
    };
    for (const Case& c : {Case{"38400,N,99,1", ComSettingsField::DataBits}, Case{"38400,N,0,1", ComSettingsField::DataBits},
                          Case{"38400,N,8,3", ComSettingsField::StopBits}, Case{"38400,N,8,1.0", ComSettingsField::StopBits},
                          Case{"0,N,8,1", ComSettingsField::Speed}, Case{"-9600,N,8,1", ComSettingsField::Speed},
                          Case{"x,N,8,1", ComSettingsField::Speed}, Case{"38400,X,8,1", ComSettingsField::Parity},
                          Case{"38400,,8,1", ComSettingsField::Parity}, Case{"38400,N,8", ComSettingsField::Form},
                          Case{"38400,N,8,1,1", ComSettingsField::Form}}) {
        SCOPED_TRACE(c.text);
        ComSettingsCheck check = checkComSettings(c.text);
        EXPECT_EQ(check.badField, c.field);
        EXPECT_NE(check.problem, "");
    }
    ComSettingsCheck mark = checkComSettings("9600,m,5,1.5");
    ASSERT_TRUE(mark.ok()) << mark.problem;
    EXPECT_EQ(mark.parity, 'M');
    EXPECT_EQ(mark.dataBits, 5);
    EXPECT_EQ(mark.stopBits, 1.5);
    EXPECT_TRUE(checkComSettings("115200,S,8,2").ok());
}

TEST_F(ProgramFolder, BadSerialSettingsInTheFileAreReportedByFieldAndNotLoaded)
{
    dir.write("Setting.ini", "[OPERATION]\r\nLanguage=English\r\n[COM]\r\nPort=2\r\nSetting=38400,N,8,3\r\nDelimitr=1\r\n");
    ASSERT_TRUE(fncLoadSettings(state, messages));
    EXPECT_EQ(numbersShown(), std::vector<long>{285});
    EXPECT_EQ(state.gComPort, 2);
    EXPECT_EQ(state.gComSettings, "");
    EXPECT_EQ(state.gComDelimiter, "");
}

TEST_F(ProgramFolder, LabelFontSizesOutsideOneToSeventyTwoAreIgnored)
{
    dir.write("LabelENG.ini", "[frmMain]\r\na=A@f@32767\r\nb=B@f@0\r\nc=C@f@72\r\nd=D@f@1\r\ne=E@f@-3\r\n");
    std::vector<int> sizes;
    for (const LabelEntry& e : readLabelEntries(state, "frmMain"))
        sizes.push_back(e.fontSize);
    EXPECT_EQ(sizes, (std::vector<int>{0, 0, 72, 1, 0}));
}

// A locale whose decimal point is a comma, built from the system's locale sources.
class CommaDecimalLocale {
public:
    explicit CommaDecimalLocale(const TempFolder& dir)
    {
        const std::string command = "localedef -i de_DE -f UTF-8 " + (dir / "de_DE.UTF-8").string() + " >/dev/null 2>&1";
        if (std::system(command.c_str()) != 0 && !fs::exists(dir / "de_DE.UTF-8" / "LC_NUMERIC"))
            return;
        ::setenv("LOCPATH", dir.path().c_str(), 1);
        active_ = std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
    }
    ~CommaDecimalLocale()
    {
        std::setlocale(LC_ALL, "C");
        ::unsetenv("LOCPATH");
    }
    bool active() const { return active_ && std::localeconv()->decimal_point[0] == ','; }

private:
    bool active_ = false;
};

TEST_F(ProgramFolder, NumbersReadTheSameUnderACommaDecimalLocale)
{
    TempFolder localeDir;
    CommaDecimalLocale locale(localeDir);
    if (!locale.active())
        GTEST_SKIP() << "localedef could not build de_DE.UTF-8 (Debian package locales)";
    dir.write("Setting.ini", "[OPERATION]\r\nLanguage=English\r\n[COM]\r\nPort=1.5\r\nSetting=38400,N,8,1.5\r\n");
    ASSERT_TRUE(fncLoadSettings(state, messages));
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_EQ(state.gComPort, 2);
    EXPECT_EQ(state.gComSettings, "38400,N,8,1.5");
    dir.write("LabelENG.ini", "[frmMain]\r\ncmdOK=OK@f@9.5\r\n");
    auto entries = readLabelEntries(state, "frmMain");
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].fontSize, 10);
    EXPECT_EQ(wholeNumber("1,5"), std::nullopt);
}

} // namespace
