#pragma once
// Helpers for the image tests: a reporter that records every box, a temporary folder, and
// small file and image builders.

#include "image/image_reporter.h"
#include "image/sensor_image.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

struct RecordedBox {
    std::string section; // "Error" for an error box with a description
    int number = -1;
    std::string text;
};

class RecordingReporter : public ImageReporter {
public:
    std::vector<RecordedBox> boxes;
    void showError(const std::string& description) override { boxes.push_back({"Error", -1, description}); }
    void showMessage(const std::string& section, int number, const std::string& description) override
    {
        boxes.push_back({section, number, description});
    }
};

class TempDir {
public:
    TempDir()
    {
        std::random_device rd;
        path_ = std::filesystem::temp_directory_path() / ("plnimage-test-" + std::to_string(rd()) + std::to_string(rd()));
        std::filesystem::create_directories(path_ / "TMP");
    }
    ~TempDir() { std::filesystem::remove_all(path_); }
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

inline std::vector<uint8_t> readBytes(const std::filesystem::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

inline void writeBytes(const std::filesystem::path& p, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(p, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

inline std::vector<uint8_t> randomBytes(std::size_t n, uint32_t seed)
{
    std::mt19937 gen(seed);
    std::vector<uint8_t> v(n);
    for (auto& b : v)
        b = static_cast<uint8_t>(gen());
    return v;
}

// The header of the controller's 608 x 464 Bayer image.
inline PlnHeader controllerHeader(int16_t width = 608, int16_t height = 464)
{
    PlnHeader h;
    h.prefix = {0x00, 0x00, 0x00, 0xBA, 0x01, 0x00, 0x00};
    h.colourFlag = 0;
    h.width = width;
    h.height = height;
    h.aux1 = 0;
    h.aux2 = height;
    return h;
}

// A PLN file: header, pixels, check bytes (any bytes the test wants).
inline std::vector<uint8_t> plnFileBytes(const PlnHeader& h, const std::vector<uint8_t>& pixels,
                                         std::array<uint8_t, 4> check = {1, 2, 3, 4})
{
    const auto header = h.toBytes();
    std::vector<uint8_t> file(header.begin(), header.end());
    file.insert(file.end(), pixels.begin(), pixels.end());
    file.insert(file.end(), check.begin(), check.end());
    return file;
}
