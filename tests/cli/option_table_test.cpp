// The man page and the bash completion against plnctl's option table: every option and
// command of the table is in both, with the same options per command, and neither names an
// option the table does not have. And every Japanese line takes its English key's arguments.
#include "cli/backup_progress.h"
#include "cli/cli_help.h"
#include "cli/cli_texts.h"
#include "cli/option_table.h"
#include "cli/progress_printer.h"

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <set>
#include <sstream>

namespace {

std::string readSource(const std::string& relative)
{
    std::ifstream in(std::string(PLNTOOL_SOURCE_DIR) + "/" + relative);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::set<std::string> words(const std::string& text)
{
    std::istringstream in(text);
    std::set<std::string> out;
    for (std::string w; in >> w;)
        out.insert(w);
    return out;
}

std::set<std::string> names(const std::vector<const OptionSpec*>& options)
{
    std::set<std::string> out;
    for (const OptionSpec* o : options) {
        out.insert(std::string("--") + o->longName);
        if (o->shortName)
            out.insert(std::string("-") + o->shortName);
    }
    return out;
}

} // namespace

TEST(OptionTable, TheCompletionOffersWhatTheTableHas)
{
    const std::string script = readSource("packaging/plnctl.bash-completion");
    std::smatch m;
    ASSERT_TRUE(std::regex_search(script, m, std::regex("local commands=\"([^\"]*)\"")));
    std::set<std::string> commands;
    for (const CommandSpec& c : cliCommandTable())
        commands.insert(c.name);
    EXPECT_EQ(words(m[1]), commands);
    ASSERT_TRUE(std::regex_search(script, m, std::regex("local top_opts=\"([^\"]*)\"")));
    EXPECT_EQ(words(m[1]), names(optionsFor(nullptr)));

    // The options whose next word is their value.
    std::set<std::string> valued;
    for (const OptionSpec& o : cliOptionTable())
        if (o.valueName)
            valued.merge(names({&o}));
    ASSERT_TRUE(std::regex_search(script, m, std::regex("\n +(--program-folder\\|[^)]*)\\)\n +\\(\\(i\\+\\+\\)\\)")));
    std::string list = m[1];
    std::replace(list.begin(), list.end(), '|', ' ');
    EXPECT_EQ(words(list), valued);

    for (const CommandSpec& c : cliCommandTable()) {
        SCOPED_TRACE(c.name);
        const std::regex line(std::string("\n +") + c.name +
                              "\\) opts=\"([^\"]*)\"; first=\"([^\"]*)\"; kind=([a-z]+) ;;");
        ASSERT_TRUE(std::regex_search(script, m, line));
        EXPECT_EQ(words(m[1]), names(optionsFor(&c)));
        std::set<std::string> first(c.words.begin(), c.words.end());
        EXPECT_EQ(words(m[2]), first);
        const char* kind = c.arguments == ArgumentKind::Files ? "files" : c.arguments == ArgumentKind::Folders ? "folders" : "none";
        EXPECT_EQ(m[3].str(), kind);
    }
}

TEST(OptionTable, TheManPageListsEveryOptionAndCommandAndNoOther)
{
    const std::string page = readSource("docs/man/plnctl.1");
    const auto options = page.find(".SH OPTIONS");
    const auto commands = page.find(".SH COMMANDS");
    const auto exitStatus = page.find(".SH EXIT STATUS");
    ASSERT_NE(options, std::string::npos);
    ASSERT_NE(commands, std::string::npos);
    ASSERT_NE(exitStatus, std::string::npos);
    EXPECT_NE(page.find(".SH ENVIRONMENT"), std::string::npos);
    for (const char* variable : {"LANG", "LC_ALL", "LC_MESSAGES", "TMPDIR", "PLNTOOL_COM", "PLNTOOL_HOME"})
        EXPECT_NE(page.find(variable, exitStatus), std::string::npos) << variable;

    // The entries of OPTIONS: the line after each .TP.
    std::set<std::string> listed;
    std::istringstream in(page.substr(options, commands - options));
    bool entry = false;
    for (std::string line; std::getline(in, line);) {
        if (entry) {
            static const std::regex name("\\\\-(\\\\-)?([a-z][a-z\\\\-]*)");
            for (auto it = std::sregex_iterator(line.begin(), line.end(), name); it != std::sregex_iterator(); ++it) {
                std::string n = (*it)[2];
                n = std::regex_replace(n, std::regex("\\\\-"), "-");
                listed.insert(((*it)[1].matched ? "--" : "-") + n);
            }
        }
        entry = line == ".TP";
    }
    std::vector<const OptionSpec*> all;
    for (const OptionSpec& o : cliOptionTable())
        all.push_back(&o);
    EXPECT_EQ(listed, names(all));

    // Each command in the title line of an entry of COMMANDS.
    std::set<std::string> titled;
    std::istringstream section(page.substr(commands, exitStatus - commands));
    for (std::string line; std::getline(section, line);)
        if (line.rfind(".B ", 0) == 0)
            titled.merge(words(std::regex_replace(line, std::regex("\\f[BIR]|[,|]"), " ")));
    for (const CommandSpec& c : cliCommandTable())
        EXPECT_TRUE(titled.count(c.name)) << c.name;
}

TEST(OptionTable, HelpNamesEveryOptionOfTheCommand)
{
    for (const CommandSpec& c : cliCommandTable())
        for (int language : {0, 1}) {
            const std::string help = helpText(&c, language);
            for (const OptionSpec* o : optionsFor(&c))
                EXPECT_NE(help.find(optionLabel(*o)), std::string::npos) << c.name << " " << o->longName;
        }
}

TEST(CliTexts, EveryJapaneseLineTakesTheArgumentsOfItsKey)
{
    std::string problem;
    EXPECT_TRUE(cliTextsMatch(&problem)) << problem;
    EXPECT_STREQ(cliText(0, "unknown option %s"), "不明なオプション %s");
    EXPECT_STREQ(cliText(1, "unknown option %s"), "unknown option %s");
}

TEST(ProgressLine, TimeLeftWithAKnownSizeElapsedTimeWithout)
{
    // An image against the controller's frame, 40 s in at 3.5 KB/s.
    EXPECT_EQ(ProgressPrinter::format(TransferFigures::compute(143360, 282240, 143360, 40.0, 41.0)),
              "  143360/282240 bytes  3.5 KB/s  0:39 left");
    EXPECT_EQ(ProgressPrinter::format(TransferFigures::compute(143360, 0, 143360, 40.0, 41.0)),
              "  143360 bytes  3.5 KB/s  0:41 elapsed");
    // Past the size it expected: no time left, never a negative one.
    EXPECT_EQ(ProgressPrinter::format(TransferFigures::compute(300000, 282240, 300000, 40.0, 41.0)),
              "  300000/282240 bytes  7.3 KB/s");
    EXPECT_EQ(ProgressPrinter::format(TransferFigures::compute(0, 282240, 0, 0.0, 0.0)), "  0/282240 bytes");

    // Redrawn in place at most ten times a second, and the last figures end the line.
    std::FILE* out = std::tmpfile();
    {
        ProgressPrinter printer(true, out);
        printer.show(TransferFigures::compute(128, 1024, 128, 0.0, 0.0));
        printer.show(TransferFigures::compute(256, 1024, 128, 0.05, 0.05));  // too soon
        printer.show(TransferFigures::compute(512, 1024, 384, 1.0, 1.0));
    }
    std::rewind(out);
    char text[512] = {};
    const size_t n = std::fread(text, 1, sizeof text - 1, out);
    std::fclose(out);
    EXPECT_EQ(std::string(text, n), "\r  128/1024 bytes   \r  512/1024 bytes  0.4 KB/s  0:01 left   "
                                    "\r  512/1024 bytes  0.4 KB/s  0:01 left   \n");
}

TEST(BackupProgress, TheTerminalLineSaysWhereTheRunIs)
{
    EXPECT_EQ(BackupProgress::line(1, 12, 65, "BANK/BANK11.BNK", 3072, 2.0, 0.25),
              "12/65 BANK/BANK11.BNK  3072 bytes  1.5 KB/s  0:06 left");
    // No rate nor time left before half a second has passed.
    EXPECT_EQ(BackupProgress::line(1, 1, 65, "BANK/BANK00.BNK", 128, 0.1, 0.01), "1/65 BANK/BANK00.BNK  128 bytes");
    EXPECT_EQ(BackupProgress::line(0, 2, 65, "BANK/BANK01.BNK", 10, 0.1, 0.0), "2/65 BANK/BANK01.BNK  10 バイト");
    EXPECT_EQ(BackupProgress::summary(1, 65, 24960, 83.4), "65 files, 24960 bytes in 1:23");

    // On a terminal the line is redrawn in place and ends before the summary.
    std::FILE* out = std::tmpfile();
    {
        BackupProgress progress(BackupProgress::Mode::Terminal, 1, 2, 0, out);
        progress.fileStarted(1, "A");
        progress.fileDone(5);
        progress.fileStarted(2, "B");
        progress.fileDone(7);
        progress.finish();
    }
    std::rewind(out);
    std::string text;
    for (int c; (c = std::fgetc(out)) != EOF;)
        text += char(c);
    std::fclose(out);
    EXPECT_EQ(text.rfind('\r', 0), 0u);
    EXPECT_NE(text.find("\r2/2 B  12 bytes"), std::string::npos) << text;
    EXPECT_NE(text.find("\n2 files, 12 bytes in 0:00\n"), std::string::npos) << text;
}
