#pragma once
// plnctl's command line, read with QCommandLineParser from the one option table: the options
// before the command word are read with every option of the table known (so a value is never
// taken for the command), then the command's own line with the options that go with it, in
// any place among its arguments; "--" ends the options, "--name=value" works.

#include "cli/option_table.h"

#include <map>
#include <set>
#include <string>
#include <vector>

struct ParsedCommandLine {
    enum class Outcome { Run, Help, Version, UsageError };
    Outcome outcome = Outcome::UsageError;
    const CommandSpec* command = nullptr;   // nullptr: plnctl alone
    std::string commandWord;                // as typed (also an unknown one)
    std::vector<std::string> arguments;     // the command's arguments
    std::map<std::string, std::vector<std::string>> values; // option long name -> values, in order
    std::set<std::string> switches;         // the switches given, by long name
    std::string error;                      // UsageError: the mistake, in `language`
    int language = 1;                       // --language if given and valid, else the locale's

    bool has(const std::string& name) const { return switches.count(name) || values.count(name); }
    // The last value given, or "".
    std::string value(const std::string& name) const;
};

// args: the whole command line, program name first. localeLanguage: 0 Japanese, 1 English.
ParsedCommandLine parseCommandLine(const std::vector<std::string>& args, int localeLanguage);
