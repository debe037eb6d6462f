#include "app/program_folder.h"

#include "app/ini_file.h"
#include "app/settings.h"

#include <cstdlib>
#include <pwd.h>
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

bool isShared(const fs::path& folder)
{
    std::error_code ec;
    return fs::exists(folder / kSharedFolderMark, ec);
}

// HOME, or the home folder of the account when a service manager or sudo left HOME unset.
const char* homeFolder()
{
    if (const char* home = setEnv("HOME"))
        return home;
    const passwd* account = ::getpwuid(::getuid());
    return account && account->pw_dir && *account->pw_dir ? account->pw_dir : nullptr;
}

// Written before anything else touches the file, so it comes first, as a first start writes it.
void seedLanguage(const fs::path& folder)
{
    const fs::path file = folder / "Setting.ini";
    std::error_code ec;
    if (fs::exists(file, ec) || ec)
        return;
    ini::writeKey(file, "OPERATION", "Language", userDefaultLangId() == 1041 ? "Japanese" : "English");
}

} // namespace

ProgramFolders chooseProgramFolders(const fs::path& installedFolder)
{
    ProgramFolders folders{installedFolder, installedFolder};
    fs::path own;
    if (const char* home = setEnv("PLNTOOL_HOME")) {
        own = home;
    } else if (!isShared(installedFolder) && ::access(installedFolder.c_str(), W_OK) == 0) {
        // Root may write anywhere: the mark, not the permission, keeps the package's folder clean.
        return folders;
    } else if (const char* data = setEnv("XDG_DATA_HOME")) {
        own = fs::path(data) / "plntool";
    } else if (const char* home = homeFolder()) {
        own = fs::path(home) / ".local" / "share" / "plntool";
    } else if (isShared(installedFolder)) {
        std::error_code ec;
        own = fs::temp_directory_path(ec) / ("plntool-" + std::to_string(::getuid()));
    } else {
        return folders;
    }
    std::error_code ec;
    fs::create_directories(own, ec);
    folders.settings = own;
    if (!ec)
        seedLanguage(own);
    return folders;
}
