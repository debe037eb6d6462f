#include "cli_commands.h"

#include <cstdio>

int runConvertCommand(const CliOptions&, const std::vector<std::string>&)
{
    std::fputs("plnctl: convert is not built yet\n", stderr);
    return kExitUsage;
}
