#pragma once
// The program's file access: the one checked reader for every file it reads, the safe
// writer for the files it writes for the user, and the writer of its work files.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

struct ByteChunk {
    const uint8_t* data;
    std::size_t size;
};

// The error number of a path that exists but is no regular file and no folder (a FIFO, a
// device node, a socket): the system has no error number of its own for it.
inline constexpr int kErrNotRegularFile = -1000;

// When a safe write reaches the disk. Now: the file is flushed before its rename and the
// folder after it, so a power cut finds the old file or the whole new one. Later: the caller
// flushes once for many files (flushFileSystemOf), as the batch conversion does.
enum class FlushMode { Now, Later };

// Writes the chunks to a temporary file in the target's folder and renames it over the
// target only when everything was written, so a failure leaves an existing file untouched.
// A symlinked target is written through the link (the link stays); the file keeps its
// permission bits. An existing target that is no regular file (a device, FIFO, folder) is
// refused. On failure returns false and sets error to a description.
bool writeFileReplacing(const std::filesystem::path& target, const std::vector<ByteChunk>& chunks,
                        std::string& error);

// Writes one of the program's work files (created, or overwritten and cut to length). The
// path itself is written: a symlink, a FIFO, a device node or a second hard link planted
// under the name is replaced by a new file, never written through.
bool writeFileDirect(const std::filesystem::path& target, const std::vector<ByteChunk>& chunks,
                     std::string& error);

// Opens one of the work files for writing (a transfer writing tmp.bin as it arrives): never
// through a planted symlink or second hard link, never blocking on a FIFO; whatever is there
// and is no regular file of one name is removed and a new file made. The file is not cut:
// ftruncate it to the length written. Returns the descriptor, or -1 with errorNumber set.
int openWorkFile(const std::filesystem::path& target, int& errorNumber);

// Copies source (read with the checked reader) over target as writeFileReplacing does.
bool copyFileReplacing(const std::filesystem::path& source, const std::filesystem::path& target,
                       std::string& error, FlushMode flush = FlushMode::Now);

// Flushes everything written to the file system that holds path (the one flush of a batch);
// false (error set) when the system refuses.
bool flushFileSystemOf(const std::filesystem::path& path, std::string& error);

// A file written piece by piece in place of target: the bytes go to a temporary file in the
// target's folder, which replaces target only on commit(), flushed to the disk before and
// after its rename. Temporary files of this naming that killed writers left beside target
// are removed when the next one is made. Destroyed without a successful
// commit, it removes the temporary file and target stays exactly as it was. A symlink under
// the target name is replaced, not written through; a target that is a FIFO, device or folder
// is refused (ok() false).
class ReplacingFile {
public:
    explicit ReplacingFile(const std::filesystem::path& target);
    ~ReplacingFile();
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    // False when the temporary file could not be made or a write failed; error() says why.
    bool ok() const { return file_ != nullptr && error_.empty(); }
    const std::string& error() const { return error_; }
    bool write(const uint8_t* data, std::size_t size);
    // Flushes, closes and renames over the target; false (and the target untouched) on failure.
    bool commit();

private:
    void discard();

    std::filesystem::path target_;
    std::filesystem::path temp_;
    std::FILE* file_ = nullptr;
    std::string error_;
    unsigned mode_ = 0; // permission bits of the file replaced, 0 when there was none
};

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// The checked reader: opens a regular file (or a symlink to one) for reading. Never blocks:
// a FIFO or device is refused before it is opened (kErrNotRegularFile), a folder with EISDIR
// (fopen would open it on Linux and every read would then fail).
FilePtr openForReading(const std::filesystem::path& path, int& errorNumber);
// The same as a descriptor (-1 on failure).
int openDescriptorForReading(const std::filesystem::path& path, int& errorNumber);

// Reads a whole regular file of at most maxBytes through the checked reader; a larger file
// fails with EFBIG.
bool readWholeFile(const std::filesystem::path& path, std::string& data, std::size_t maxBytes,
                   int& errorNumber);

// The size of an open file, or -1.
int64_t openFileSize(std::FILE* f);

// "<what> <path>: <system reason>" for the error number of a failed call.
std::string describeFileError(const std::string& what, const std::filesystem::path& path, int errorNumber);
// The system's reason for an error number ("not a regular file" for kErrNotRegularFile).
std::string fileErrorText(int errorNumber);
