// Argument checks shared by plnctl's commands.
#include "cli_commands.h"

#include <cstdlib>

std::optional<int16_t> bankNumberArgument(const std::string& text)
{
    char* end = nullptr;
    long n = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || n < 0 || n > 31)
        return std::nullopt;
    return int16_t(n);
}

int usageError(const std::string& what)
{
    std::fprintf(stderr, "plnctl: %s\n", what.c_str());
    printUsage();
    return kExitUsage;
}
