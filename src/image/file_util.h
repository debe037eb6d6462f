#pragma once
// Small file helpers shared by the raw and BMP code.

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

// Writes the chunks to a temporary file in the target's folder and renames it over the
// target only when everything was written, so a failure leaves an existing file untouched.
// On failure returns false and sets error to a description.
bool writeFileReplacing(const std::filesystem::path& target, const std::vector<ByteChunk>& chunks,
                        std::string& error);

// Writes the chunks straight to the file (created, or overwritten and cut to length).
// For the work files.
bool writeFileDirect(const std::filesystem::path& target, const std::vector<ByteChunk>& chunks,
                     std::string& error);

// Copies source over target through a temporary file in the target's folder.
bool copyFileReplacing(const std::filesystem::path& source, const std::filesystem::path& target,
                       std::string& error);

// A file written piece by piece in place of target: the bytes go to a temporary file in the
// target's folder, which replaces target only on commit(). Destroyed without a successful
// commit, it removes the temporary file and target stays exactly as it was.
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
};

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// Opens a file for reading. A folder is refused with EISDIR: fopen would open it on Linux
// and every read would then fail.
FilePtr openForReading(const std::filesystem::path& path, int& errorNumber);

// "<what> <path>: <system reason>" for the error number of a failed call.
std::string describeFileError(const std::string& what, const std::filesystem::path& path, int errorNumber);
