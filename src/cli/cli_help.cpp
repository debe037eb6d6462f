#include "cli/cli_help.h"

#include "cli/cli_texts.h"

namespace {

// Pads to a column counted in characters, not bytes, so Japanese help lines up too.
void column(std::string& out, const std::string& left, std::size_t width)
{
    std::size_t chars = 0;
    for (unsigned char c : left)
        chars += (c & 0xC0) != 0x80;
    out += left;
    // A long label gets its text on the next line.
    out += chars + 2 <= width ? std::string(width - chars, ' ') : "\n" + std::string(width, ' ');
}

const char* pick(int language, const char* english, const char* japanese)
{
    return language == 0 ? japanese : english;
}

void optionLines(std::string& out, const std::vector<const OptionSpec*>& options, int language)
{
    for (const OptionSpec* o : options) {
        column(out, "  " + optionLabel(*o), 32);
        out += pick(language, o->helpEnglish, o->helpJapanese);
        out += '\n';
    }
}

std::string synopsis(const CommandSpec& c, int language)
{
    std::string s = c.name;
    const char* args = pick(language, c.synopsisEnglish, c.synopsisJapanese);
    if (*args)
        s += std::string(" ") + args;
    return s;
}

} // namespace

std::string helpText(const CommandSpec* command, int language)
{
    std::string out;
    if (command) {
        out += cliFormat(language, "usage: plnctl [OPTIONS] %s", synopsis(*command, language).c_str());
        out += "\n";
        out += pick(language, command->helpEnglish, command->helpJapanese);
        out += "\n";
        out += cliText(language, "options:");
        out += "\n";
        optionLines(out, optionsFor(command), language);
        return out;
    }
    out += cliText(language, "usage: plnctl [OPTIONS] COMMAND [ARGUMENTS]\n"
                             "       plnctl COMMAND --help\n"
                             "       plnctl --help | --version");
    out += "\n";
    out += cliText(language, "options (plnctl COMMAND --help shows those of each command):");
    out += "\n";
    std::vector<const OptionSpec*> all;
    for (const OptionSpec& o : cliOptionTable())
        all.push_back(&o);
    optionLines(out, all, language);
    out += cliText(language, "commands:");
    out += "\n";
    for (const CommandSpec& c : cliCommandTable()) {
        column(out, "  " + synopsis(c, language), 32);
        out += pick(language, c.helpEnglish, c.helpJapanese);
        out += '\n';
    }
    out += cliText(language, "exit status: 0 done, 1 failed, 2 usage error, 128 + the signal when stopped by one "
                             "(130 for Ctrl-C)");
    out += "\n";
    return out;
}

std::string seeHelpLine(const CommandSpec* command, int language)
{
    return command ? cliFormat(language, "see plnctl %s --help", command->name) : cliText(language, "see plnctl --help");
}
