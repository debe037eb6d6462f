#include "cli/private_work_folder.h"

#include "files/leftover_files.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <system_error>

#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// "plnctl-PID-XXXXXX": the process id tells a folder of a live run from one a killed run left.
const std::string kPrefix = "plnctl-";

// The work folders of this user's runs that were killed outright.
void removeLeftovers(const fs::path& folder)
{
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        struct stat info {};
        if (name.rfind(kPrefix, 0) != 0 || ::lstat(it->path().c_str(), &info) != 0 || !S_ISDIR(info.st_mode)
            || info.st_uid != ::getuid() || !isLeftoverName(name, kPrefix))
            continue;
        std::error_code ignored;
        fs::remove_all(it->path(), ignored);
    }
}

} // namespace

PrivateWorkFolder::PrivateWorkFolder()
{
    const char* base = std::getenv("TMPDIR");
    const fs::path folder = base && *base ? base : "/tmp";
    removeLeftovers(folder);
    std::string pattern = (folder / (kPrefix + std::to_string(::getpid()) + "-XXXXXX")).string();
    // mkdtemp makes a new folder only this user can enter: nobody can plant a link inside.
    if (!::mkdtemp(pattern.data())) {
        error_ = "cannot make a work folder " + pattern + ": " + std::strerror(errno);
        return;
    }
    fs::path root(pattern);
    if (::mkdir((root / "TMP").c_str(), 0700) != 0) {
        error_ = "cannot make a work folder " + (root / "TMP").string() + ": " + std::strerror(errno);
        std::error_code ec;
        fs::remove_all(root, ec);
        return;
    }
    root_ = root;
}

PrivateWorkFolder::~PrivateWorkFolder()
{
    if (root_.empty())
        return;
    std::error_code ec;
    fs::remove_all(root_, ec);
}
