#pragma once
// plnctl --help and plnctl COMMAND --help, written from the option table in the user's
// language.

#include "cli/option_table.h"

#include <string>

// The help of plnctl (command nullptr) or of one command.
std::string helpText(const CommandSpec* command, int language);

// The last line of a usage error: "see plnctl COMMAND --help" (or "plnctl --help").
std::string seeHelpLine(const CommandSpec* command, int language);
