#include "files/file_util.h"

#include "files/leftover_files.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <chrono>
#include <system_error>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

std::string fileErrorText(int errorNumber)
{
    if (errorNumber == kErrNotRegularFile)
        return "not a regular file (a FIFO, device or socket)";
    return std::strerror(errorNumber);
}

std::string describeFileError(const std::string& what, const fs::path& path, int errorNumber)
{
    return what + " " + path.string() + ": " + fileErrorText(errorNumber);
}

namespace {

// EISDIR for a folder, kErrNotRegularFile for anything else that is no regular file, 0 for a
// regular file.
int kindError(const struct stat& info)
{
    if (S_ISREG(info.st_mode))
        return 0;
    return S_ISDIR(info.st_mode) ? EISDIR : kErrNotRegularFile;
}

} // namespace

int openDescriptorForReading(const fs::path& path, int& errorNumber)
{
    // Looked at before it is opened: opening a FIFO waits for a writer, opening a device can
    // have effects of its own.
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        errorNumber = errno;
        return -1;
    }
    if (int kind = kindError(info)) {
        errorNumber = kind;
        return -1;
    }
    // O_NONBLOCK in case the name was swapped for a FIFO meanwhile; the second look on the
    // open file settles what was opened.
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        errorNumber = errno;
        return -1;
    }
    errorNumber = ::fstat(fd, &info) != 0 ? errno : kindError(info);
    if (errorNumber != 0) {
        ::close(fd);
        return -1;
    }
    int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0)
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    return fd;
}

FilePtr openForReading(const fs::path& path, int& errorNumber)
{
    int fd = openDescriptorForReading(path, errorNumber);
    if (fd < 0)
        return nullptr;
    FilePtr f(::fdopen(fd, "rb"));
    if (!f) {
        errorNumber = errno;
        ::close(fd);
    }
    return f;
}

int64_t openFileSize(std::FILE* f)
{
    struct stat info {};
    if (!f || ::fstat(::fileno(f), &info) != 0)
        return -1;
    return int64_t(info.st_size);
}

bool readWholeFile(const fs::path& path, std::string& data, std::size_t maxBytes, int& errorNumber)
{
    data.clear();
    int fd = openDescriptorForReading(path, errorNumber);
    if (fd < 0)
        return false;
    struct stat info {};
    errorNumber = ::fstat(fd, &info) != 0 ? errno : uint64_t(info.st_size) > maxBytes ? EFBIG : 0;
    if (errorNumber != 0) {
        ::close(fd);
        return false;
    }
    data.resize(std::size_t(info.st_size));
    std::size_t got = 0;
    bool ok = true;
    // Read to the end, not to the size seen at the start: a file that grows meanwhile is
    // still held to the bound.
    for (;;) {
        if (got == data.size()) {
            if (data.size() >= maxBytes + 1)
                break;
            data.resize(std::min<std::size_t>(maxBytes + 1, data.size() + 4096));
        }
        ssize_t n = ::read(fd, data.data() + got, data.size() - got);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            errorNumber = errno;
            ok = false;
            break;
        }
        if (n == 0)
            break;
        got += std::size_t(n);
    }
    ::close(fd);
    data.resize(got);
    if (ok && got > maxBytes) {
        errorNumber = EFBIG;
        ok = false;
    }
    if (!ok)
        data.clear();
    return ok;
}

namespace {

bool writeAll(int fd, const std::vector<ByteChunk>& chunks, int& errorNumber)
{
    for (const ByteChunk& c : chunks) {
        const uint8_t* p = c.data;
        std::size_t left = c.size;
        while (left > 0) {
            ssize_t n = ::write(fd, p, left);
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                errorNumber = errno;
                return false;
            }
            p += n;
            left -= std::size_t(n);
        }
    }
    return true;
}

fs::path folderOf(const fs::path& file)
{
    fs::path folder = file.parent_path();
    return folder.empty() ? fs::path(".") : folder;
}

// The prefix of the temporary files beside target: "<name>.tmp", followed by the writer's
// process id, "-" and a stamp.
std::string temporaryPrefix(const fs::path& target)
{
    return target.filename().string() + ".tmp";
}

// Removes the temporary files that writers killed outright left beside target.
void removeLeftoversBeside(const fs::path& target)
{
    const std::string prefix = temporaryPrefix(target);
    std::error_code ec;
    for (fs::directory_iterator it(folderOf(target), ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0)
            continue;
        struct stat info {};
        if (::lstat(it->path().c_str(), &info) == 0 && S_ISREG(info.st_mode) && isLeftoverName(name, prefix))
            ::unlink(it->path().c_str());
    }
}

// Creates a new, not yet existing file beside target; returns its descriptor or -1.
int createTemporaryBeside(const fs::path& target, fs::path& tempPath, int& errorNumber)
{
    // The pid and the clock keep concurrent writers (GUI and plnctl) apart; O_EXCL makes
    // a clash retry with another name instead of sharing a file.
    const auto stamp = static_cast<unsigned long long>(std::chrono::steady_clock::now().time_since_epoch().count());
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        tempPath = target;
        tempPath += ".tmp" + std::to_string(::getpid()) + "-" + std::to_string((stamp + attempt) % 100000000ULL);
        int fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0)
            return fd;
        if (errno != EEXIST) {
            errorNumber = errno;
            return -1;
        }
    }
    errorNumber = EEXIST;
    return -1;
}

// The file a replacing write goes to: the target, or what a symlinked target points at
// (a dangling link is itself replaced). Refuses an existing target that is no regular file;
// kept gets the status of an existing one (mode 0 when there is none).
bool replacedFile(const fs::path& target, fs::path& real, struct stat& kept, int& errorNumber)
{
    real = target;
    kept = {};
    struct stat info {};
    if (::lstat(target.c_str(), &info) != 0)
        return true; // not there yet: created by the rename
    if (S_ISLNK(info.st_mode)) {
        std::error_code ec;
        fs::path resolved = fs::canonical(target, ec);
        if (ec)
            return true;
        real = resolved;
        if (::stat(real.c_str(), &info) != 0)
            return true;
    }
    if (int kind = kindError(info)) {
        errorNumber = kind;
        return false;
    }
    kept = info;
    return true;
}

// Writes the temporary file's bytes (through fill) and renames it over target.
template <typename Fill>
bool replaceThroughTemporary(const fs::path& target, std::string& error, FlushMode flush, Fill fill)
{
    fs::path real;
    struct stat kept {};
    int errorNumber = 0;
    if (!replacedFile(target, real, kept, errorNumber)) {
        error = describeFileError("Cannot write", target, errorNumber);
        return false;
    }
    fs::path tempPath;
    int fd = createTemporaryBeside(real, tempPath, errorNumber);
    if (fd < 0) {
        error = describeFileError("Cannot create", target, errorNumber);
        return false;
    }
    bool ok = fill(fd, error);
    if (ok && kept.st_mode != 0) {
        // The replacement keeps the owner where the system lets us (root rewriting a user's
        // Setting.ini), and always the permission bits.
        if (::fchown(fd, kept.st_uid, kept.st_gid) != 0) {
            // Not ours to give away (an ordinary user): the file becomes the writer's.
        }
        if (::fchmod(fd, kept.st_mode & 07777) != 0) {
            ok = false;
            error = describeFileError("Cannot write", target, errno);
        }
    }
    // On the disk before the rename: a power cut must find the old file or the whole new one.
    if (ok && flush == FlushMode::Now && ::fsync(fd) != 0) {
        ok = false;
        error = describeFileError("Cannot write", target, errno);
    }
    if (::close(fd) != 0 && ok) {
        ok = false;
        error = describeFileError("Cannot write", target, errno);
    }
    if (ok && ::rename(tempPath.c_str(), real.c_str()) != 0) {
        ok = false;
        error = describeFileError("Cannot write", target, errno);
    }
    if (!ok)
        ::unlink(tempPath.c_str());
    // The rename itself lasts only once the folder is on the disk.
    if (ok && flush == FlushMode::Now && !flushToDisk(folderOf(real))) {
        ok = false;
        error = describeFileError("Cannot write", target, errno);
    }
    return ok;
}

} // namespace

bool writeFileReplacing(const fs::path& target, const std::vector<ByteChunk>& chunks, std::string& error)
{
    return replaceThroughTemporary(target, error, FlushMode::Now, [&](int fd, std::string& fillError) {
        int errorNumber = 0;
        if (writeAll(fd, chunks, errorNumber))
            return true;
        fillError = describeFileError("Cannot write", target, errorNumber);
        return false;
    });
}

int openWorkFile(const fs::path& target, int& errorNumber)
{
    int fd = ::open(target.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
    if (fd >= 0) {
        struct stat info {};
        if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_nlink == 1) {
            int flags = ::fcntl(fd, F_GETFL);
            if (flags >= 0)
                ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
            return fd;
        }
        ::close(fd);
    } else if (errno == EISDIR) {
        errorNumber = EISDIR;
        return -1;
    }
    // A symlink (ELOOP), a FIFO without a reader (ENXIO), a device or a second hard link.
    if (::unlink(target.c_str()) != 0 && errno != ENOENT) {
        errorNumber = errno;
        return -1;
    }
    fd = ::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0)
        errorNumber = errno;
    return fd;
}

bool writeFileDirect(const fs::path& target, const std::vector<ByteChunk>& chunks, std::string& error)
{
    // Overwritten in place and then cut to length: the same bytes as truncating first, but
    // the work files keep their cached pages from one conversion to the next.
    int errorNumber = 0;
    int fd = openWorkFile(target, errorNumber);
    if (fd < 0) {
        error = describeFileError("Cannot create", target, errorNumber);
        return false;
    }
    bool ok = writeAll(fd, chunks, errorNumber);
    if (ok) {
        off_t total = 0;
        for (const ByteChunk& c : chunks)
            total += off_t(c.size);
        if (::ftruncate(fd, total) != 0) {
            ok = false;
            errorNumber = errno;
        }
    }
    if (::close(fd) != 0 && ok) {
        ok = false;
        errorNumber = errno;
    }
    if (!ok)
        error = describeFileError("Cannot write", target, errorNumber);
    return ok;
}

bool copyFileReplacing(const fs::path& source, const fs::path& target, std::string& error, FlushMode flush)
{
    int errorNumber = 0;
    int in = openDescriptorForReading(source, errorNumber);
    if (in < 0) {
        error = describeFileError("Cannot open", source, errorNumber);
        return false;
    }
    bool ok = replaceThroughTemporary(target, error, flush, [&](int out, std::string& fillError) {
        // The kernel copies without a trip through user memory where it can.
        bool kernelCopy = true;
        while (kernelCopy) {
            ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, 1 << 30, 0);
            if (n > 0)
                continue;
            if (n == 0)
                return true;
            if (errno == EINTR)
                continue;
            if (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP) {
                // Nothing was copied yet when the call is refused outright; fall back to read/write.
                if (::lseek(in, 0, SEEK_SET) != 0 || ::lseek(out, 0, SEEK_SET) != 0 || ::ftruncate(out, 0) != 0) {
                    fillError = describeFileError("Cannot write", target, errno);
                    return false;
                }
                kernelCopy = false;
                break;
            }
            fillError = describeFileError("Cannot copy to", target, errno);
            return false;
        }
        std::vector<uint8_t> block(1 << 20);
        for (;;) {
            ssize_t n = ::read(in, block.data(), block.size());
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                fillError = describeFileError("Cannot read", source, errno);
                return false;
            }
            if (n == 0)
                return true;
            if (!writeAll(out, {{block.data(), std::size_t(n)}}, errorNumber)) {
                fillError = describeFileError("Cannot write", target, errorNumber);
                return false;
            }
        }
    });
    ::close(in);
    return ok;
}

ReplacingFile::ReplacingFile(const fs::path& target) : target_(target)
{
    // Received files include the work file tmp.bin: a symlink under the name is replaced by
    // the rename, never written through; a FIFO, device or folder is refused like the safe
    // writer refuses it. An existing regular file keeps its permission bits.
    struct stat info {};
    if (::lstat(target.c_str(), &info) == 0 && !S_ISLNK(info.st_mode)) {
        if (int kind = kindError(info)) {
            error_ = describeFileError("Cannot write", target, kind);
            return;
        }
        mode_ = info.st_mode & 07777;
    }
    removeLeftoversBeside(target);
    int errorNumber = 0;
    int fd = createTemporaryBeside(target, temp_, errorNumber);
    if (fd < 0) {
        error_ = describeFileError("Cannot create", target, errorNumber);
        return;
    }
    file_ = ::fdopen(fd, "wb");
    if (!file_) {
        error_ = describeFileError("Cannot create", target, errno);
        ::close(fd);
        ::unlink(temp_.c_str());
    }
}

ReplacingFile::~ReplacingFile()
{
    discard();
}

void ReplacingFile::discard()
{
    if (file_) {
        std::fclose(file_);
        file_ = nullptr;
        ::unlink(temp_.c_str());
    }
}

bool ReplacingFile::write(const uint8_t* data, std::size_t size)
{
    if (!ok())
        return false;
    if (std::fwrite(data, 1, size, file_) != size) {
        error_ = describeFileError("Cannot write", target_, errno);
        return false;
    }
    return true;
}

bool ReplacingFile::commit()
{
    if (!ok())
        return false;
    int errorNumber = 0;
    if (std::fflush(file_) != 0)
        errorNumber = errno;
    if (errorNumber == 0 && mode_ != 0 && ::fchmod(::fileno(file_), mode_) != 0)
        errorNumber = errno;
    if (errorNumber == 0 && ::fsync(::fileno(file_)) != 0)
        errorNumber = errno;
    std::FILE* f = std::exchange(file_, nullptr);
    if (std::fclose(f) != 0 && errorNumber == 0)
        errorNumber = errno;
    if (errorNumber == 0 && ::rename(temp_.c_str(), target_.c_str()) != 0)
        errorNumber = errno;
    if (errorNumber == 0 && !flushToDisk(folderOf(target_)))
        errorNumber = errno;
    if (errorNumber != 0) {
        ::unlink(temp_.c_str());
        error_ = describeFileError("Cannot write", target_, errorNumber);
        return false;
    }
    return true;
}

bool flushFileSystemOf(const fs::path& path, std::string& error)
{
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0 || ::syncfs(fd) != 0) {
        error = describeFileError("Cannot flush", path, errno);
        if (fd >= 0)
            ::close(fd);
        return false;
    }
    ::close(fd);
    return true;
}
