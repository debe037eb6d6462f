// The four text files of the program folder: every key the program looks up is there in both
// languages with a value of the right form, both label files label the same controls, and the
// Japanese files come back from CP932 exactly as written in their UTF-8 sources.
#include "app/ini_file.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QString>
#include <QStringDecoder>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const fs::path kProgramDir = PLNTOOL_TEST_PROGRAM_DIR;
const fs::path kSourceDir = PLNTOOL_TEST_TEXT_SOURCES;

struct Language {
    const char* code; // JPN, ENG
    bool japanese;
};
const Language kLanguages[] = {{"JPN", true}, {"ENG", false}};

const char* const kWindows[] = {"frmHistogram", "frmMain",    "frmOption",     "frmAbout",
                                "frmWait",    "frmComSet",     "frmBinBmpConv",
                                "frmDirSearch", "frmDirSave", "frmLanSet"};

std::string readBytes(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::ostringstream data;
    data << in.rdbuf();
    return data.str();
}

// Japanese files are CP932 (Qt knows it by this name through ICU, cp932 extensions included);
// English files must be plain ASCII so that any code page reads them alike.
std::string decode(const std::string& bytes, const Language& lang)
{
    if (!lang.japanese) {
        for (unsigned char c : bytes)
            EXPECT_LT(c, 0x80) << "non-ASCII byte in an English text: " << bytes;
        return bytes;
    }
    QStringDecoder cp932("cp932");
    EXPECT_TRUE(cp932.isValid());
    QString text = cp932(QByteArray(bytes.data(), qsizetype(bytes.size())));
    EXPECT_FALSE(cp932.hasError()) << "not valid CP932: " << bytes;
    return text.toStdString();
}

std::vector<std::string> split(const std::string& text, char at)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (std::size_t pos; (pos = text.find(at, start)) != std::string::npos; start = pos + 1)
        parts.push_back(text.substr(start, pos - start));
    parts.push_back(text.substr(start));
    return parts;
}

std::string lower(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return s;
}

bool isWholeNumber(const std::string& s)
{
    return !s.empty() && std::all_of(s.begin(), s.end(), [](unsigned char c) { return std::isdigit(c); });
}

fs::path messageFile(const Language& lang) { return kProgramDir / (std::string("Message") + lang.code + ".ini"); }
fs::path labelFile(const Language& lang) { return kProgramDir / (std::string("Label") + lang.code + ".ini"); }

// The key=value lines of a section as the program reads them, comments left out.
std::vector<std::pair<std::string, std::string>> sectionEntries(const fs::path& file, const std::string& section)
{
    std::vector<std::pair<std::string, std::string>> entries;
    for (const std::string& line : ini::readSection(file, section)) {
        if (line.empty() || line[0] == ';')
            continue;
        std::size_t eq = line.find('=');
        entries.emplace_back(line.substr(0, eq), eq == std::string::npos ? "" : line.substr(eq + 1));
    }
    return entries;
}

// Section names in file order, read from the raw lines.
std::vector<std::string> sectionNames(const fs::path& file)
{
    std::vector<std::string> names;
    std::istringstream lines(readBytes(file));
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.size() > 2 && line.front() == '[' && line.back() == ']')
            names.push_back(line.substr(1, line.size() - 2));
    }
    return names;
}

TEST(MessageFiles, EveryLookedUpKeyHasAWellFormedValueAndTheSameBoxInBothLanguages)
{
    const std::map<std::string, std::vector<int>> lookedUp = {
        {"Message", {1, 12, 13, 21, 22, 23, 24, 99, 240, 280, 281, 282, 283, 284, 285, 286, 290,
                     300, 301, 302, 320, 321, 322, 323, 324, 325, 326}},
        {"Question", {1, 2, 3, 4}},
        {"Label", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 12, 13, 14, 15, 51, 53, 54, 55, 56, 57, 300, 301, 302, 303,
                   304, 305, 306, 307, 308, 320, 350}},
    };
    // Texts that name their device or address: the program puts it where "%1" stands.
    const std::set<std::pair<std::string, int>> naming = {
        {"Message", 300}, {"Message", 301}, {"Message", 302}, {"Message", 320}, {"Message", 321},
        {"Message", 322}, {"Message", 323}, {"Message", 324}, {"Message", 326},
        {"Label", 301},   {"Label", 302},   {"Label", 303},
    };
    for (const auto& [section, numbers] : lookedUp) {
        for (int number : numbers) {
            std::map<std::string, std::string> styleByLanguage;
            for (const Language& lang : kLanguages) {
                SCOPED_TRACE(std::string(lang.code) + " " + section + " " + std::to_string(number));
                auto raw = ini::readKey(messageFile(lang), section, std::to_string(number));
                ASSERT_TRUE(raw.has_value()) << "missing";
                std::string value = decode(*raw, lang);
                EXPECT_EQ(value.find('\t'), std::string::npos);
                EXPECT_EQ(value.find_first_of("\r\n"), std::string::npos) << "line breaks are written as \\n";
                EXPECT_EQ(value.find("%1") != std::string::npos, naming.count({section, number}) == 1) << value;
                if (section == "Label") {
                    EXPECT_FALSE(value.empty());
                    EXPECT_EQ(value.find('@'), std::string::npos);
                    continue;
                }
                auto parts = split(value, '@');
                ASSERT_EQ(parts.size(), 2u) << "text@style expected: " << value;
                EXPECT_NE(parts[0].find_first_not_of(' '), std::string::npos) << "empty text";
                ASSERT_TRUE(isWholeNumber(parts[1])) << "style: " << parts[1];
                const int style = std::stoi(parts[1]);
                const int buttons = style & 0x0F, icon = style & 0xF0;
                if (section == "Question") {
                    // The caller goes ahead on Yes or OK, so the user must be offered No or Cancel.
                    EXPECT_TRUE(buttons == 1 || buttons == 4) << style;
                    EXPECT_EQ(icon, 32) << style;
                } else {
                    EXPECT_EQ(buttons, 0) << style;
                    EXPECT_TRUE(icon == 16 || icon == 48 || icon == 64) << style;
                }
                styleByLanguage[lang.code] = parts[1];
            }
            if (section != "Label")
                EXPECT_EQ(styleByLanguage["JPN"], styleByLanguage["ENG"]) << section << " " << number;
        }
    }
}

TEST(LabelFiles, BothLanguagesHaveOneSectionPerWindowWithTheSameKeys)
{
    const std::set<std::string> windows(std::begin(kWindows), std::end(kWindows));
    for (const Language& lang : kLanguages) {
        auto names = sectionNames(labelFile(lang));
        EXPECT_EQ(std::set<std::string>(names.begin(), names.end()), windows) << lang.code;
        EXPECT_EQ(names.size(), windows.size()) << lang.code << ": a section appears twice";
    }
    for (const char* window : kWindows) {
        std::map<std::string, std::set<std::string>> keys;
        for (const Language& lang : kLanguages) {
            for (const auto& [key, value] : sectionEntries(labelFile(lang), window)) {
                bool fresh = keys[lang.code].insert(lower(key)).second;
                EXPECT_TRUE(fresh) << lang.code << " [" << window << "] " << key
                                   << " appears twice; only the first line would count";
            }
        }
        EXPECT_EQ(keys["JPN"], keys["ENG"]) << window;
    }
}

TEST(LabelFiles, EveryLineHasCaptionFontAndWholeNumberSizeAndEachSectionFitsTheBuffer)
{
    for (const Language& lang : kLanguages) {
        for (const char* window : kWindows) {
            SCOPED_TRACE(std::string(lang.code) + " [" + window + "]");
            bool ownCaption = false;
            for (const auto& [rawKey, rawValue] : sectionEntries(labelFile(lang), window)) {
                const std::string key = decode(rawKey, lang), value = decode(rawValue, lang);
                auto keyParts = split(key, '@');
                ASSERT_LE(keyParts.size(), 2u) << key;
                if (keyParts.size() == 2)
                    EXPECT_TRUE(isWholeNumber(keyParts[1])) << "index of " << key;
                ownCaption = ownCaption || key == window;
                auto fields = split(value, '@');
                ASSERT_EQ(fields.size(), 3u) << key << "=" << value;
                EXPECT_EQ(value.find('\t'), std::string::npos) << key;
                EXPECT_FALSE(fields[1].empty()) << "font of " << key;
                EXPECT_TRUE(isWholeNumber(fields[2]) && std::stoi(fields[2]) >= 6 && std::stoi(fields[2]) <= 36)
                    << "size of " << key << ": " << fields[2];
            }
            EXPECT_TRUE(ownCaption) << "no caption for the window itself";

            // The window reads its section into 8192 characters; a longer one loses its last lines.
            std::size_t used = 1;
            for (const std::string& line : ini::readSection(labelFile(lang), window))
                used += line.size() + 1;
            EXPECT_LE(used, 8192u);
        }
    }
}

TEST(LabelFiles, EveryControlOfEachWindowIsLabelled)
{
    auto bankMenu = [](const std::string& name) {
        std::string keys;
        for (int i = 0; i < 32; ++i)
            keys += " " + name + "@" + std::to_string(i);
        return keys;
    };
    const std::map<std::string, std::string> controls = {
        {"frmMain",
         "lblTitle Frame1 Picture1 cmdCapture fraImage lstImageNo optSelect@0 optSelect@1 cmdConvert "
         "cmdLoad picCnvBmp lblItem@0 lblItem@1 lblItem@2 lblItem@3 lblItem@4 lblItem@5 lblItem@6 "
         "lblItem@7 lblValue@0 lblValue@1 lblValue@2 lblValue@3 lblValue@4 lblValue@5 lblValue@6 "
         "lblValue@7 FraMesure cmdMeasure optMesure@0 optMesure@1 optMesure@2 fraGetMesure "
         "cmdGetMesure CommMethod Serial Lan Frame2 txtIPaddress IPAddrLabel cmdConnect "
         "cmdCloseConnection StatusDisp Status mnuFile mnuBinsave2 mnuBinload2 mnuBmpSave mnuBmpLoad "
         "mnuBinBmpConv2 mnuEachConv2 mnuAllConv2 mnuQuit mnuSystem mnuSystemSave mnuSystemLoad "
         "mnuSystemBackupAll mnuSystemRestoreAll "
         "MnuBank mnuBankSave mnuBankLoad mnuBankChange mnuBankGroup mnuBankGroupSave "
         "mnuBankGroupLoad mnuBankGroupChange mnuOption mnuConvert mnuComSet mnuTelnetSetting "
         "mnuLanSet mnuHelp mnuContents mnuVersion" +
             bankMenu("mnuBankSelect") + bankMenu("mnuBankGroupSelect")},
        {"frmOption", "fraImage optImage@0 optImage@1 cmdOK cmdCancel"},
        {"frmAbout", "picIcon lblTitle lblVersion cmdOK"},
        {"frmWait", "lblWait lblRead btnStop lblWhole lblTimeLeft"},
        {"frmComSet",
         "fraImage lblItem@0 lblItem@1 lblItem@2 lblItem@3 lblItem@4 lblItem@5 CmbCOM CmbReate "
         "CmbParity CmbDatLen CmbStpBit CmbDeli cmdOK cmdCancel"},
        {"frmBinBmpConv", "ConvFrame FileBox cmdOK cmdAuto cmdCancel"},
        {"frmDirSearch", "Drive1 Dir1 File1 cboPattern cmdOpen cmdCancel"},
        {"frmDirSave", "Drive1 Dir1 File1 cboPattern cmdSave cmdCancel"},
        {"frmLanSet", "Frame1 Label1 txtIPaddress cmdConnect cmdCloseConnection StatusDisp Status cmdOK"},
    };
    for (const Language& lang : kLanguages) {
        for (const auto& [window, names] : controls) {
            std::set<std::string> present;
            for (const auto& entry : sectionEntries(labelFile(lang), window))
                present.insert(entry.first);
            std::istringstream wanted(names);
            for (std::string name; wanted >> name;)
                EXPECT_TRUE(present.count(name)) << lang.code << " [" << window << "] has no line for " << name;
        }
    }
}

// Whether a CP932 text holds a double-byte character whose second byte is `trail`: such bytes
// look like "@", "[", "\" or "]" to a reader that does not know the code page.
bool hasTrailByte(const std::string& bytes, unsigned char trail)
{
    for (std::size_t i = 0; i + 1 < bytes.size(); ++i) {
        auto lead = static_cast<unsigned char>(bytes[i]);
        if ((lead >= 0x81 && lead <= 0x9F) || (lead >= 0xE0 && lead <= 0xFC)) {
            if (static_cast<unsigned char>(bytes[i + 1]) == trail)
                return true;
            ++i;
        }
    }
    return false;
}

TEST(TextFiles, ProgramFolderFilesDecodeBackToTheirSourcesWithCrLf)
{
    for (const Language& lang : kLanguages) {
        for (const char* kind : {"Message", "Label"}) {
            const std::string name = std::string(kind) + lang.code;
            SCOPED_TRACE(name);
            const std::string built = readBytes(kProgramDir / (name + ".ini"));
            std::string expected;
            for (char c : readBytes(kSourceDir / (name + ".utf8.ini"))) {
                if (c == '\n')
                    expected += '\r';
                expected += c;
            }
            ASSERT_FALSE(built.empty());
            EXPECT_EQ(decode(built, lang), expected);
            if (lang.japanese) {
                for (unsigned char trail : {0x40, 0x5B, 0x5C, 0x5D})
                    EXPECT_TRUE(hasTrailByte(built, trail)) << "no character with second byte " << int(trail);
            }
        }
    }
}

// Every value read through the program's INI reader equals the value written in the source,
// so no character of a Japanese text is cut or misread on the way.
TEST(TextFiles, EveryValueReadsBackAsWrittenInTheSource)
{
    for (const Language& lang : kLanguages) {
        for (const char* kind : {"Message", "Label"}) {
            const std::string name = std::string(kind) + lang.code;
            std::istringstream source(readBytes(kSourceDir / (name + ".utf8.ini")));
            std::string section;
            int checked = 0;
            for (std::string line; std::getline(source, line);) {
                if (line.empty() || line[0] == ';')
                    continue;
                if (line.front() == '[') {
                    section = line.substr(1, line.find(']') - 1);
                    continue;
                }
                std::size_t eq = line.find('=');
                ASSERT_NE(eq, std::string::npos) << name << ": " << line;
                auto raw = ini::readKey(kProgramDir / (name + ".ini"), section, line.substr(0, eq));
                ASSERT_TRUE(raw.has_value()) << name << " [" << section << "] " << line;
                EXPECT_EQ(decode(*raw, lang), line.substr(eq + 1)) << name << " [" << section << "]";
                ++checked;
            }
            EXPECT_GT(checked, 0) << name;
        }
    }
}

} // namespace
