#include "recording_prompter.h"
#include "app/app_state.h"
#include "app/settings.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>

namespace {

// A program folder with an English message file holding Message 99.
struct SettingsFixture : testing::Test {
    TempFolder dir;
    AppState state;
    RecordingPrompter prompter;
    Messenger messages{state, prompter};

    SettingsFixture()
    {
        state.programFolder = dir.path();
        dir.write("MessageENG.ini", "[Message]\r\n99=Setting.ini cannot be read.@16\r\n");
        dir.write("MessageJPN.ini", "[Message]\r\n99=Setting.ini error@16\r\n");
        ::setenv("LANG", "en_US.UTF-8", 1);
        ::unsetenv("LC_ALL");
        ::unsetenv("LC_MESSAGES");
    }
};

TEST_F(SettingsFixture, FirstStartWritesTheDefaultsInOrder)
{
    ASSERT_TRUE(fncLoadSettings(state, messages));
    EXPECT_EQ(dir.read("Setting.ini"),
              "[OPERATION]\r\nLanguage=Japanese\r\n[COM]\r\nPort=1\r\nSetting=38400,N,8,1\r\nDelimitr=0\r\n");
    EXPECT_EQ(state.gLanguage, 0);
    EXPECT_EQ(state.gComPort, 1);
    EXPECT_EQ(state.gComSettings, "38400,N,8,1");
    EXPECT_EQ(state.gComDelimiter, "\r");
    EXPECT_TRUE(prompter.shown.empty());
}

struct LanguageCase {
    const char* value;
    const char* lang;
    int expected;
    const char* writtenAtExit;
};

// "english_under_ja_JP": the value and the locale, in the test listing too.
std::string caseName(const LanguageCase& c)
{
    std::string name = std::string(*c.value ? c.value : "empty") + "_under_" + c.lang;
    for (char& ch : name)
        if (!std::isalnum(static_cast<unsigned char>(ch)))
            ch = '_';
    return name;
}
void PrintTo(const LanguageCase& c, std::ostream* os) { *os << caseName(c); }

class LanguageSetting : public SettingsFixture, public testing::WithParamInterface<LanguageCase> {};

TEST_P(LanguageSetting, SelectsAndIsRewrittenAtExit)
{
    const auto& c = GetParam();
    ::setenv("LANG", c.lang, 1);
    dir.write("Setting.ini", std::string("[OPERATION]\r\nLanguage=") + c.value + "\r\n");
    ASSERT_TRUE(fncLoadLanguage(state, messages));
    EXPECT_EQ(state.gLanguage, c.expected);
    fncSaveLanguage(state, messages);
    EXPECT_EQ(dir.read("Setting.ini"), std::string("[OPERATION]\r\nLanguage=") + c.writtenAtExit + "\r\n");
}

INSTANTIATE_TEST_SUITE_P(Cases, LanguageSetting, testing::Values(
    LanguageCase{"english", "ja_JP.UTF-8", 1, "English"},
    LanguageCase{"ENGLISH", "C", 1, "English"},
    LanguageCase{"japanese", "C", 0, "Japanese"},
    LanguageCase{"Deutsch", "ja_JP.UTF-8", 0, "Japanese"},
    LanguageCase{"Deutsch", "de_DE.UTF-8", 1, "English"},
    LanguageCase{"", "C", 0, "Japanese"}),
    [](const auto& info) { return caseName(info.param); });

TEST_F(SettingsFixture, LcAllDecidesBeforeLang)
{
    ::setenv("LC_ALL", "ja_JP.UTF-8", 1);
    EXPECT_EQ(userDefaultLangId(), 1041);
    ::setenv("LC_ALL", "en_GB.UTF-8", 1);
    ::setenv("LANG", "ja_JP.UTF-8", 1);
    EXPECT_EQ(userDefaultLangId(), 1033);
}

struct PortCase {
    const char* value;
    int expected;
};

std::string caseName(const PortCase& c)
{
    std::string name = std::string("Port_") + c.value;
    for (char& ch : name)
        if (ch == '.')
            ch = '_';
    return name;
}
void PrintTo(const PortCase& c, std::ostream* os) { *os << caseName(c); }

class PortSetting : public SettingsFixture, public testing::WithParamInterface<PortCase> {};

TEST_P(PortSetting, RoundsHalfToEven)
{
    dir.write("Setting.ini", std::string("[COM]\r\nport=") + GetParam().value + "\r\nsetting=9600,E,7,2\r\ndelimitr=1\r\n");
    ASSERT_TRUE(fncLoadComSettings(state, messages));
    EXPECT_EQ(state.gComPort, GetParam().expected);
    EXPECT_EQ(state.gComSettings, "9600,E,7,2"); // lower-case key names read the same
    EXPECT_EQ(state.gComDelimiter, "\n");
}

INSTANTIATE_TEST_SUITE_P(Cases, PortSetting, testing::Values(PortCase{"3", 3}, PortCase{"1.5", 2}, PortCase{"2.5", 2},
                                                              PortCase{"16", 16}),
                         [](const auto& info) { return caseName(info.param); });

TEST_F(SettingsFixture, PortThatIsNoNumberReportsMessage99AndLoadsNothingElse)
{
    state.gComPort = 0;
    dir.write("Setting.ini", "[COM]\r\nPort=abc\r\nSetting=9600,N,8,1\r\n");
    EXPECT_TRUE(fncLoadComSettings(state, messages));
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].number, 99);
    EXPECT_EQ(state.gComPort, 0);
    EXPECT_EQ(state.gComSettings, "");
    EXPECT_EQ(state.gComDelimiter, "");
}

TEST_F(SettingsFixture, PortBeyondIntegerRangeReportsMessage99)
{
    dir.write("Setting.ini", "[COM]\r\nPort=40000\r\n");
    fncLoadComSettings(state, messages);
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].number, 99);
}

TEST_F(SettingsFixture, OtherDelimiterIsCrLfAndSavedAs2)
{
    dir.write("Setting.ini", "[COM]\r\nPort=2\r\nSetting=38400,N,8,1\r\nDelimitr=3\r\n");
    ASSERT_TRUE(fncLoadComSettings(state, messages));
    EXPECT_EQ(state.gComDelimiter, "\r\n");
    fncSaveComSettings(state, messages);
    EXPECT_EQ(dir.read("Setting.ini"), "[COM]\r\nPort=2\r\nSetting=38400,N,8,1\r\nDelimitr=2\r\n");
}

TEST_F(SettingsFixture, OverlongValueReportsMessage99AndTakesTheDefault)
{
    dir.write("Setting.ini", "[COM]\r\nPort=1\r\nSetting=" + std::string(1200, '9') + "\r\nDelimitr=0\r\n");
    ASSERT_TRUE(fncLoadComSettings(state, messages));
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].number, 99);
    EXPECT_EQ(state.gComSettings, "38400,N,8,1");
}

TEST_F(SettingsFixture, UnusableMessageFileFallsBackToTheFailureText)
{
    std::filesystem::remove(dir / "MessageJPN.ini");
    dir.write("Setting.ini", "[OPERATION]\r\nLanguage=Japanese\r\n[COM]\r\nPort=x\r\n");
    EXPECT_FALSE(fncLoadSettings(state, messages));
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].number, -1);
    EXPECT_NE(prompter.shown[0].text.find("not a whole number"), std::string::npos);
}

} // namespace
