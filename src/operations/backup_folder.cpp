#include "operations/backup_folder.h"

#include "files/file_util.h"
#include "files/leftover_files.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <system_error>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

fs::path parentOf(const fs::path& folder)
{
    fs::path parent = folder.parent_path();
    return parent.empty() ? fs::path(".") : parent;
}

std::string prefixFor(const fs::path& folder, const char* what)
{
    return "." + folder.filename().string() + ".plntool-" + what + "-";
}

std::string reasonOf(int errorNumber)
{
    return std::strerror(errorNumber);
}

// A temporary file of the safe writer ("NAME.tmpPID-STAMP"): never part of a backup.
bool isWriterTemporary(const std::string& name)
{
    const size_t at = name.rfind(".tmp");
    return at != std::string::npos && writerInName(std::string_view(name).substr(at), ".tmp").has_value();
}

// Everything below old that the new backup does not hold itself goes into it too, as hard
// links (the same files, nothing copied) where the file system allows, else as copies.
bool carryOver(const fs::path& old, const fs::path& staging, std::string& error)
{
    std::error_code ec;
    for (fs::recursive_directory_iterator it(old, fs::directory_options::none, ec), end; it != end;
         it.increment(ec)) {
        if (ec)
            break;
        const fs::path rel = it->path().lexically_relative(old);
        const fs::path there = staging / rel;
        struct stat info {};
        if (::lstat(it->path().c_str(), &info) != 0) {
            ec.assign(errno, std::generic_category());
            break;
        }
        struct stat existing {};
        if (::lstat(there.c_str(), &existing) == 0) {
            if (!S_ISDIR(existing.st_mode) && S_ISDIR(info.st_mode))
                it.disable_recursion_pending();
            continue;
        }
        if (S_ISDIR(info.st_mode)) {
            if (::mkdir(there.c_str(), info.st_mode & 07777) != 0) {
                ec.assign(errno, std::generic_category());
                break;
            }
        } else if (S_ISREG(info.st_mode)) {
            if (isWriterTemporary(rel.filename().string()))
                continue;
            if (::link(it->path().c_str(), there.c_str()) != 0) {
                fs::copy_file(it->path(), there, ec);
                if (ec)
                    break;
            }
        } else if (S_ISLNK(info.st_mode)) {
            fs::copy_symlink(it->path(), there, ec);
            if (ec)
                break;
        } else {
            error = it->path().string() + " is no file or folder (a FIFO, device or socket) and cannot be kept; "
                    "the folder was left as it was";
            return false;
        }
    }
    if (ec) {
        error = "cannot keep what " + old.string() + " holds: " + ec.message() + "; the folder was left as it was";
        return false;
    }
    return true;
}

// Every folder of the new backup on the disk (the files were flushed by their writer).
bool flushFolders(const fs::path& root, std::string& error)
{
    std::error_code ec;
    for (fs::recursive_directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec)) {
        if (it->is_directory(ec) && !it->is_symlink(ec) && !flushToDisk(it->path())) {
            error = describeFileError("Cannot write", it->path(), errno);
            return false;
        }
    }
    if (ec || !flushToDisk(root)) {
        error = describeFileError("Cannot write", root, ec ? ec.value() : errno);
        return false;
    }
    return true;
}

mode_t defaultFolderMode()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0777 & ~mask;
}

} // namespace

fs::path realBackupFolder(const fs::path& folder)
{
    std::error_code ec;
    fs::path given = fs::absolute(folder, ec).lexically_normal();
    if (given.filename().empty() && given.has_parent_path())
        given = given.parent_path();  // "DIR/" names DIR
    fs::path real = fs::weakly_canonical(given, ec);
    if (ec)
        return given;
    if (real.filename().empty() && real.has_parent_path())
        real = real.parent_path();
    return real;
}

void removeBackupLeftovers(const fs::path& folder)
{
    const fs::path parent = parentOf(folder);
    const std::string oldPrefix = prefixFor(folder, "old");
    const std::string newPrefix = prefixFor(folder, "new");
    std::vector<fs::path> asides, stagings;
    std::error_code ec;
    for (fs::directory_iterator it(parent, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (isLeftoverName(name, oldPrefix))
            asides.push_back(it->path());
        else if (isLeftoverName(name, newPrefix))
            stagings.push_back(it->path());
    }
    for (const fs::path& aside : asides) {
        struct stat info {};
        // Killed between its two renames: the old backup is the only one, and goes back.
        if (::lstat(folder.c_str(), &info) != 0 && errno == ENOENT && ::rename(aside.c_str(), folder.c_str()) == 0) {
            flushToDisk(parent);
            continue;
        }
        fs::remove_all(aside, ec);
    }
    for (const fs::path& staging : stagings)
        fs::remove_all(staging, ec);
    if (!asides.empty() || !stagings.empty())
        flushToDisk(parent);
}

StagedBackupFolder::StagedBackupFolder(const fs::path& folder, Switch how) : folder_(folder), how_(how)
{
    // A backup into a path whose folders do not exist yet makes them, as it always did.
    std::error_code ec;
    fs::create_directories(parentOf(folder_), ec);
    std::string pattern = (parentOf(folder_) / (prefixFor(folder_, "new") + std::to_string(::getpid()) + "-XXXXXX")).string();
    if (!::mkdtemp(pattern.data())) {
        error_ = "cannot make a folder beside " + folder_.string() + " for the new backup: " + reasonOf(errno);
        return;
    }
    staging_ = pattern;
}

StagedBackupFolder::~StagedBackupFolder()
{
    if (staging_.empty() || committed_)
        return;
    std::error_code ec;
    fs::remove_all(staging_, ec);
    flushToDisk(parentOf(folder_));
}

bool StagedBackupFolder::commit(std::string& error)
{
    if (!ok()) {
        error = error_;
        return false;
    }
    const fs::path parent = parentOf(folder_);
    struct stat old {};
    const bool oldExists = ::lstat(folder_.c_str(), &old) == 0;
    if (oldExists && !S_ISDIR(old.st_mode)) {
        error = folder_.string() + " is not a folder; it was left as it was";
        return false;
    }
    if (oldExists && !carryOver(folder_, staging_, error))
        return false;
    if (::chmod(staging_.c_str(), oldExists ? old.st_mode & 07777 : defaultFolderMode()) != 0) {
        error = describeFileError("Cannot write", staging_, errno);
        return false;
    }
    if (!flushFolders(staging_, error))
        return false;

    if (!oldExists) {
        if (::rename(staging_.c_str(), folder_.c_str()) != 0) {
            error = describeFileError("Cannot make", folder_, errno);
            return false;
        }
        committed_ = true;
        flushToDisk(parent);
        return true;
    }
    if (how_ == Switch::Exchange) {
        if (::renameat2(AT_FDCWD, staging_.c_str(), AT_FDCWD, folder_.c_str(), RENAME_EXCHANGE) == 0) {
            committed_ = true;
            // The staging name now holds the old backup: the new one is on the disk first.
            flushToDisk(parent);
            std::error_code ec;
            fs::remove_all(staging_, ec);
            flushToDisk(parent);
            return true;
        }
        if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) {
            error = describeFileError("Cannot replace", folder_, errno);
            return false;
        }
    }
    return switchByRenames(error);
}

bool StagedBackupFolder::switchByRenames(std::string& error)
{
    const fs::path parent = parentOf(folder_);
    std::string aside = (parent / (prefixFor(folder_, "old") + std::to_string(::getpid()) + "-")).string();
    std::string name;
    for (unsigned attempt = 0; name.empty() && attempt < 100; ++attempt) {
        const std::string candidate = aside + std::to_string(attempt);
        struct stat info {};
        if (::lstat(candidate.c_str(), &info) != 0 && errno == ENOENT)
            name = candidate;
    }
    if (name.empty() || ::rename(folder_.c_str(), name.c_str()) != 0) {
        error = describeFileError("Cannot replace", folder_, name.empty() ? EEXIST : errno);
        return false;
    }
    if (::rename(staging_.c_str(), folder_.c_str()) != 0) {
        const int reason = errno;
        ::rename(name.c_str(), folder_.c_str());
        flushToDisk(parent);
        error = describeFileError("Cannot replace", folder_, reason);
        return false;
    }
    committed_ = true;
    flushToDisk(parent);
    std::error_code ec;
    fs::remove_all(name, ec);
    flushToDisk(parent);
    return true;
}
