#pragma once
// Shared by the fuzz targets: a private program folder for the run and a reporter that
// swallows the error boxes.

#include "image/image_reporter.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

class SilentReporter : public ImageReporter {
public:
    void showError(const std::string&) override {}
    void showMessage(const std::string&, int, const std::string&) override {}
};

// A folder of its own for this fuzzing process, with TMP below it.
inline const std::filesystem::path& fuzzFolder()
{
    static const std::filesystem::path folder = [] {
        std::string pattern = (std::filesystem::temp_directory_path() / "plnfuzz-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            std::abort();
        std::filesystem::create_directories(std::filesystem::path(pattern) / "TMP");
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(fuzzFolder(), ec);
        });
        return std::filesystem::path(pattern);
    }();
    return folder;
}

inline std::filesystem::path writeInput(const char* name, const uint8_t* data, std::size_t size)
{
    const std::filesystem::path path = fuzzFolder() / name;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), std::streamsize(size));
    return path;
}

// Images the header announces beyond this many pixels are skipped: allocating and clearing
// up to 1 GB per input would only slow the search down.
inline bool plnSizeWorthTrying(const uint8_t* data, std::size_t size)
{
    if (size < 12)
        return true;
    const auto w = int16_t(data[8] | (data[9] << 8));
    const auto h = int16_t(data[10] | (data[11] << 8));
    return int64_t(w) * int64_t(h) <= (int64_t(1) << 19);
}
