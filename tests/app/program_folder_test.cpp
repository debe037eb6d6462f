// Where Setting.ini and the working folders go: in place, or a folder of the user's own whose
// first Setting.ini speaks the locale's language; the package's shared folder is never written,
// whoever runs the program (these tests run as root on CI, as the package's users may).
#include "app/program_folder.h"
#include "app/app_state.h"
#include "recording_prompter.h"
#include "app/settings.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <set>
#include <string>

namespace fs = std::filesystem;

namespace {

std::set<std::string> entries(const fs::path& folder)
{
    std::set<std::string> names;
    for (const auto& e : fs::recursive_directory_iterator(folder))
        names.insert(fs::relative(e.path(), folder).string());
    return names;
}

std::string readFile(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

struct ProgramFolderFixture : testing::Test {
    TempFolder installed; // the folder the program runs from
    TempFolder home;
    std::string oldHome = std::getenv("HOME") ? std::getenv("HOME") : "";

    ProgramFolderFixture()
    {
        installed.write("MessageENG.ini", "[Message]\r\n99=Setting.ini cannot be read.@16\r\n");
        for (const char* name : {"PLNTOOL_HOME", "XDG_DATA_HOME", "LC_ALL", "LC_MESSAGES"})
            ::unsetenv(name);
        ::setenv("HOME", home.path().c_str(), 1);
        ::setenv("LANG", "en_US.UTF-8", 1);
    }
    ~ProgramFolderFixture() override
    {
        for (const char* name : {"PLNTOOL_HOME", "XDG_DATA_HOME", "LC_ALL"})
            ::unsetenv(name);
        oldHome.empty() ? ::unsetenv("HOME") : ::setenv("HOME", oldHome.c_str(), 1);
    }

    void markShared() const { installed.write(kSharedFolderMark, "shared\n"); }
    fs::path ownFolder() const { return home / ".local/share/plntool"; }
};

TEST_F(ProgramFolderFixture, AWritableFolderRunsInPlaceAndKeepsTheSettingsRule)
{
    ::setenv("LANG", "ja_JP.UTF-8", 1);
    const ProgramFolders folders = chooseProgramFolders(installed.path());
    EXPECT_EQ(folders.settings.string(), installed.path().string());
    EXPECT_EQ(folders.texts.string(), installed.path().string());
    EXPECT_FALSE(fs::exists(installed / "Setting.ini")); // the first start writes "Japanese" itself
    EXPECT_FALSE(fs::exists(ownFolder()));
}

// The language of the locale, whatever the language the settings rule would write.
struct LocaleCase {
    const char* lcAll;
    const char* lang;
    const char* language;
};

void PrintTo(const LocaleCase& c, std::ostream* os)
{
    *os << "LC_ALL=" << c.lcAll << " LANG=" << c.lang << " -> " << c.language;
}

class FirstStartLanguage : public ProgramFolderFixture, public testing::WithParamInterface<LocaleCase> {};

TEST_P(FirstStartLanguage, TheSharedFolderGivesEachUserTheirOwnSettingsInTheirLanguage)
{
    const LocaleCase& c = GetParam();
    if (*c.lcAll)
        ::setenv("LC_ALL", c.lcAll, 1);
    ::setenv("LANG", c.lang, 1);
    markShared();
    const auto before = entries(installed.path());

    const ProgramFolders folders = chooseProgramFolders(installed.path());
    EXPECT_EQ(folders.settings.string(), ownFolder().string());
    EXPECT_EQ(folders.texts.string(), installed.path().string());

    // The rest of the first start goes on as ever, after the language.
    AppState state;
    state.programFolder = folders.settings;
    state.textFolder = folders.texts;
    RecordingPrompter prompter;
    Messenger messages(state, prompter);
    ASSERT_TRUE(fncLoadSettings(state, messages));
    EXPECT_EQ(state.gLanguage, std::string(c.language) == "Japanese" ? 0 : 1);
    EXPECT_EQ(readFile(ownFolder() / "Setting.ini"),
              std::string("[OPERATION]\r\nLanguage=") + c.language +
                  "\r\n[COM]\r\nPort=1\r\nSetting=38400,N,8,1\r\nDelimitr=0\r\n");
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_EQ(entries(installed.path()), before); // nothing written beside the program
}

INSTANTIATE_TEST_SUITE_P(Cases, FirstStartLanguage, testing::Values(
    LocaleCase{"", "ja_JP.UTF-8", "Japanese"},
    LocaleCase{"", "en_US.UTF-8", "English"},
    LocaleCase{"", "C.UTF-8", "English"},
    LocaleCase{"ja_JP.UTF-8", "de_DE.UTF-8", "Japanese"},
    LocaleCase{"fr_FR.UTF-8", "ja_JP.UTF-8", "English"}),
    [](const testing::TestParamInfo<LocaleCase>& info) {
        std::string name = (*info.param.lcAll ? "LC_ALL_" + std::string(info.param.lcAll) : "LANG_" + std::string(info.param.lang)) + "_gives_" +
                           info.param.language;
        for (char& ch : name)
            if (!std::isalnum(static_cast<unsigned char>(ch)))
                ch = '_';
        return name;
    });

TEST_F(ProgramFolderFixture, ALaterStartKeepsTheLanguageTheUserChose)
{
    markShared();
    fs::create_directories(ownFolder());
    const std::string chosen = "[OPERATION]\r\nLanguage=Japanese\r\n[COM]\r\nPort=3\r\n";
    { std::ofstream(ownFolder() / "Setting.ini", std::ios::binary) << chosen; }
    chooseProgramFolders(installed.path());
    EXPECT_EQ(readFile(ownFolder() / "Setting.ini"), chosen);
}

// Where the own folder is, in the order the environment is asked.
TEST_F(ProgramFolderFixture, TheOwnFolderFollowsTheEnvironment)
{
    markShared();
    TempFolder data, chosen;
    ::setenv("XDG_DATA_HOME", data.path().c_str(), 1);
    EXPECT_EQ(chooseProgramFolders(installed.path()).settings.string(), (data / "plntool").string());
    ::setenv("PLNTOOL_HOME", chosen.path().c_str(), 1);
    EXPECT_EQ(chooseProgramFolders(installed.path()).settings.string(), chosen.path().string());
    EXPECT_TRUE(fs::exists(chosen / "Setting.ini"));
}

} // namespace
