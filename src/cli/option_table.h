#pragma once
// plnctl's one table of options and commands. The parser, --help of plnctl and of each
// command, the man page's option list and the bash completion all follow it; a test checks
// that the man page and the completion name every option and command listed here and no
// other.

#include <string>
#include <string_view>
#include <vector>

// Which commands an option goes with.
enum class OptionScope {
    Everywhere, // every command (and plnctl alone)
    Link,       // every command that talks to the controller
    Json,       // the commands that can report in JSON
    Quiet,      // the commands that show a progress line
    Command,    // only the commands in `commands`
};

struct OptionSpec {
    const char* longName;  // "com"
    char shortName;        // 'h', or 0
    const char* valueName; // "N", or nullptr for a switch
    OptionScope scope;
    std::vector<std::string_view> commands; // for OptionScope::Command
    const char* helpEnglish;
    const char* helpJapanese;
};

// What the completion offers for a command's arguments.
enum class ArgumentKind { None, Files, Folders };

struct CommandSpec {
    const char* name;                   // "backup"
    const char* synopsisEnglish;        // arguments after the name, "DIR"
    const char* synopsisJapanese;
    std::vector<std::string_view> words; // first-argument words ("get", "put"), may be empty
    ArgumentKind arguments;
    bool link;                           // talks to the controller
    bool json;                           // takes --json
    bool quiet;                          // takes -q
    const char* helpEnglish;
    const char* helpJapanese;
};

const std::vector<OptionSpec>& cliOptionTable();
const std::vector<CommandSpec>& cliCommandTable();

// The command of that name, or nullptr.
const CommandSpec* findCommand(std::string_view name);
// The options that go with a command (nullptr: plnctl without a command).
std::vector<const OptionSpec*> optionsFor(const CommandSpec* command);
// "--com N" / "-h, --help" as help and the man page show it.
std::string optionLabel(const OptionSpec& option);
