#pragma once
// plnctl: the command-line front end. main.cpp reads the command line (cli_parser.h) and
// hands the command to the function that owns it.

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

struct CliOptions {
    std::filesystem::path programFolder; // --program-folder, default the executable's folder
    std::filesystem::path textFolder;    // labels and messages (the executable's folder)
    std::optional<int> com;              // --com N
    std::string device;                  // --device PATH
    std::string deviceSettings;          // --settings S (with --device)
    std::string host;                    // --host ADDR[:PORT]
    std::string delimiter;               // --delimiter CR|LF|CRLF, "" = from the settings
    int language = 1;                    // gLanguage: --language, else the locale
    const struct CommandSpec* command = nullptr; // the command being run (option_table.h)
    bool json = false;                   // --json: one JSON object on stdout
    bool quiet = false;                  // -q: no progress
    bool probe = false;                  // ports --probe
    std::vector<std::string> convertOptions; // convert's options as "--name", value pairs
};

// Exit codes of every command (a signal that stops plnctl gives 128 + its number).
enum CliExit : int { kExitOk = 0, kExitFailed = 1, kExitUsage = 2 };

// `convert`: raw files to BMP and BMP to raw (convert_command.cpp).
int runConvertCommand(const CliOptions& options, const std::vector<std::string>& args);

// The commands that talk to the controller: send, capture, bank, group, measure, result
// (link_command.cpp). Returns kExitUsage for a command it does not know.
int runLinkCommand(const CliOptions& options, const std::string& command,
                   const std::vector<std::string>& args);

// `image get N|live OUT`, `image put IN`: download and upload (image_command.cpp).
int runImageCommand(const CliOptions& options, const std::vector<std::string>& args);

// The backup commands: bank|group save|load N FILE, system save|load FILE, backup DIR,
// restore DIR (backup_command.cpp).
bool isBackupCommand(const std::string& command, const std::vector<std::string>& args);
int runBackupCommand(const CliOptions& options, const std::string& command,
                     const std::vector<std::string>& args);

// `xmodem recv|send FILE`: one bare XMODEM transfer on the link (xmodem_command.cpp).
int runXmodemCommand(const CliOptions& options, const std::vector<std::string>& args);

// `ports [--probe]`: the serial ports and where a controller answers (ports_command.cpp).
int runPortsCommand(const CliOptions& options, const std::vector<std::string>& args);

// A whole decimal number from lowest to highest, or nullopt (cli_arguments.cpp).
std::optional<long> integerArgument(const std::string& text, long lowest, long highest);

// A bank or bank group number from the command line (0 to 31), or nullopt (cli_arguments.cpp).
std::optional<int16_t> bankNumberArgument(const std::string& text);

// Reports a usage error on stderr: "plnctl: what" and "see plnctl COMMAND --help" (what is
// already in the user's language); returns kExitUsage.
int usageError(const CliOptions& options, const std::string& what);
