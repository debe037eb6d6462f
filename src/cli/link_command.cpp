#include "cli_commands.h"

#include <cstdio>

int runLinkCommand(const CliOptions&, const std::string& command, const std::vector<std::string>&)
{
    std::fprintf(stderr, "plnctl: unknown command %s\n", command.c_str());
    printUsage();
    return kExitUsage;
}
