// Argument checks shared by plnctl's commands.
#include "cli/cli_commands.h"
#include "cli/cli_help.h"

#include <cstdlib>

std::optional<long> integerArgument(const std::string& text, long lowest, long highest)
{
    char* end = nullptr;
    long n = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || n < lowest || n > highest)
        return std::nullopt;
    return n;
}

std::optional<int16_t> bankNumberArgument(const std::string& text)
{
    auto n = integerArgument(text, 0, 31);
    return n ? std::optional<int16_t>(int16_t(*n)) : std::nullopt;
}

int usageError(const CliOptions& options, const std::string& what)
{
    std::fprintf(stderr, "plnctl: %s\n%s\n", what.c_str(), seeHelpLine(options.command, options.language).c_str());
    return kExitUsage;
}
