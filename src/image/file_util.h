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

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// Opens a file for reading. A folder is refused with EISDIR: fopen would open it on Linux
// and every read would then fail.
FilePtr openForReading(const std::filesystem::path& path, int& errorNumber);

// "<what> <path>: <system reason>" for the error number of a failed call.
std::string describeFileError(const std::string& what, const std::filesystem::path& path, int errorNumber);
