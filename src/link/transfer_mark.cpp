#include "link/transfer_mark.h"

#include "files/leftover_files.h"

#include <cctype>
#include <cstdlib>
#include <fstream>
#include <system_error>

#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kPrefix = "transfer.plntool-";

// The target as a file name part: a device path or an address holds '/' and ':'.
std::string nameOf(const std::string& target)
{
    std::string name;
    for (unsigned char c : target)
        name += std::isalnum(c) || c == '.' || c == '-' ? char(c) : '_';
    return name;
}

} // namespace

fs::path defaultTransferMarkFolder()
{
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime == '/')
        return fs::path(runtime) / "plntool";
    std::error_code ec;
    fs::path temp = fs::temp_directory_path(ec);
    if (ec)
        temp = "/tmp";
    return temp / ("plntool-" + std::to_string(::getuid()));
}

TransferMark::TransferMark(const fs::path& folder, const std::string& target)
{
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec)
        return;
    // Only this user may write there: a shared temporary folder is no place for another
    // user's marks to make us send a stop sequence.
    fs::permissions(folder, fs::perms::owner_all, fs::perm_options::replace, ec);
    fs::path path = folder / (std::string(kPrefix) + std::to_string(::getpid()) + "-" + nameOf(target));
    std::ofstream out(path, std::ios::trunc);
    if (out)
        path_ = std::move(path);
}

TransferMark::~TransferMark()
{
    std::error_code ec;
    if (path_.empty())
        return;
    fs::remove(path_, ec);
    // An empty folder is left to no one (it fails harmlessly while another run's mark is there).
    fs::remove(path_.parent_path(), ec);
}

bool takeLeftoverTransferMark(const fs::path& folder, const std::string& target)
{
    const std::string suffix = "-" + nameOf(target);
    bool found = false;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.size() <= suffix.size() || name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0)
            continue;
        auto pid = writerInName(name, kPrefix);
        // "<pid>-<target>": the part after the number must be exactly this target.
        if (!pid || name.size() != kPrefix.size() + std::to_string(*pid).size() + suffix.size())
            continue;
        if (!isLeftoverName(name, kPrefix))
            continue;
        std::error_code removeEc;
        fs::remove(it->path(), removeEc);
        found = true;
    }
    return found;
}
