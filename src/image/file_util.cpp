#include "image/file_util.h"

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

std::string describeFileError(const std::string& what, const fs::path& path, int errorNumber)
{
    return what + " " + path.string() + ": " + std::strerror(errorNumber);
}

FilePtr openForReading(const fs::path& path, int& errorNumber)
{
    FilePtr f(std::fopen(path.c_str(), "rb"));
    if (!f) {
        errorNumber = errno;
        return nullptr;
    }
    struct stat info {};
    if (::fstat(::fileno(f.get()), &info) == 0 && S_ISDIR(info.st_mode)) {
        errorNumber = EISDIR;
        return nullptr;
    }
    return f;
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

// Creates a new, not yet existing file beside target; returns its descriptor or -1.
int createTemporaryBeside(const fs::path& target, fs::path& tempPath, int& errorNumber)
{
    // The pid and the clock keep concurrent writers (GUI and plnctl) apart; O_EXCL makes
    // a clash retry with another name instead of sharing a file.
    const auto stamp = static_cast<unsigned long long>(std::chrono::steady_clock::now().time_since_epoch().count());
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        tempPath = target;
        tempPath += ".tmp" + std::to_string(::getpid()) + "-" + std::to_string((stamp + attempt) % 100000000ULL);
        int fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
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

} // namespace

bool writeFileReplacing(const fs::path& target, const std::vector<ByteChunk>& chunks, std::string& error)
{
    fs::path tempPath;
    int errorNumber = 0;
    int fd = createTemporaryBeside(target, tempPath, errorNumber);
    if (fd < 0) {
        error = describeFileError("Cannot create", target, errorNumber);
        return false;
    }
    bool ok = writeAll(fd, chunks, errorNumber);
    if (::close(fd) != 0 && ok) {
        ok = false;
        errorNumber = errno;
    }
    if (ok && ::rename(tempPath.c_str(), target.c_str()) != 0) {
        ok = false;
        errorNumber = errno;
    }
    if (!ok) {
        ::unlink(tempPath.c_str());
        error = describeFileError("Cannot write", target, errorNumber);
    }
    return ok;
}

bool writeFileDirect(const fs::path& target, const std::vector<ByteChunk>& chunks, std::string& error)
{
    // Overwritten in place and then cut to length: the same bytes as truncating first, but
    // the work files keep their cached pages from one conversion to the next.
    int fd = ::open(target.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) {
        error = describeFileError("Cannot create", target, errno);
        return false;
    }
    int errorNumber = 0;
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

bool copyFileReplacing(const fs::path& source, const fs::path& target, std::string& error)
{
    int in = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) {
        error = describeFileError("Cannot open", source, errno);
        return false;
    }
    fs::path tempPath;
    int errorNumber = 0;
    int out = createTemporaryBeside(target, tempPath, errorNumber);
    if (out < 0) {
        ::close(in);
        error = describeFileError("Cannot create", target, errorNumber);
        return false;
    }
    bool ok = true;
    // The kernel copies without a trip through user memory where it can.
    bool kernelCopy = true;
    while (kernelCopy) {
        ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, 1 << 30, 0);
        if (n > 0)
            continue;
        if (n == 0)
            break;
        if (errno == EINTR)
            continue;
        if (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP) {
            // Nothing was copied yet when the call is refused outright; fall back to read/write.
            if (::lseek(in, 0, SEEK_SET) != 0 || ::lseek(out, 0, SEEK_SET) != 0 || ::ftruncate(out, 0) != 0) {
                ok = false;
                error = describeFileError("Cannot write", target, errno);
            }
            kernelCopy = false;
            break;
        }
        ok = false;
        error = describeFileError("Cannot copy to", target, errno);
        break;
    }
    std::vector<uint8_t> block(kernelCopy || !ok ? 0 : 1 << 20);
    while (!kernelCopy && ok) {
        ssize_t n = ::read(in, block.data(), block.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            errorNumber = errno;
            ok = false;
            error = describeFileError("Cannot read", source, errorNumber);
            break;
        }
        if (n == 0)
            break;
        if (!writeAll(out, {{block.data(), std::size_t(n)}}, errorNumber)) {
            ok = false;
            error = describeFileError("Cannot write", target, errorNumber);
            break;
        }
    }
    ::close(in);
    if (::close(out) != 0 && ok) {
        ok = false;
        error = describeFileError("Cannot write", target, errno);
    }
    if (ok && ::rename(tempPath.c_str(), target.c_str()) != 0) {
        ok = false;
        error = describeFileError("Cannot write", target, errno);
    }
    if (!ok)
        ::unlink(tempPath.c_str());
    return ok;
}

ReplacingFile::ReplacingFile(const fs::path& target) : target_(target)
{
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
    std::FILE* f = std::exchange(file_, nullptr);
    if (std::fclose(f) != 0 && errorNumber == 0)
        errorNumber = errno;
    if (errorNumber == 0 && ::rename(temp_.c_str(), target_.c_str()) != 0)
        errorNumber = errno;
    if (errorNumber != 0) {
        ::unlink(temp_.c_str());
        error_ = describeFileError("Cannot write", target_, errorNumber);
        return false;
    }
    return true;
}
