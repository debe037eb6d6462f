#include "program_folder.h"

#include <cstdlib>
#include <string>
#include <system_error>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

const char* setEnv(const char* name)
{
    const char* v = std::getenv(name);
    return v && *v ? v : nullptr;
}

} // namespace

ProgramFolders chooseProgramFolders(const fs::path& installedFolder)
{
    ProgramFolders folders{installedFolder, installedFolder};
    fs::path own;
    if (const char* home = setEnv("PLNTOOL_HOME")) {
        own = home;
    } else if (::access(installedFolder.c_str(), W_OK) == 0) {
        return folders;
    } else if (const char* data = setEnv("XDG_DATA_HOME")) {
        own = fs::path(data) / "plntool";
    } else if (const char* home = setEnv("HOME")) {
        own = fs::path(home) / ".local" / "share" / "plntool";
    } else {
        return folders;
    }
    std::error_code ec;
    fs::create_directories(own, ec);
    folders.settings = own;
    return folders;
}
