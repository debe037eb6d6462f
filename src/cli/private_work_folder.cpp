#include "private_work_folder.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <system_error>

#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

PrivateWorkFolder::PrivateWorkFolder()
{
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/plnctl-XXXXXX";
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
