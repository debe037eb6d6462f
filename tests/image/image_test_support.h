#pragma once
// Helpers for the image tests: a reporter that records every box, a temporary program
// folder, and small file and image builders.

#include "image/image_reporter.h"
#include "image/sensor_image.h"
#include "temp_folder.h"

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

// A temporary program folder with its TMP work folder, as after the first start.
class TempDir : public TempFolder {
public:
    TempDir() { std::filesystem::create_directories(path() / "TMP"); }
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

// The pixel rows of a 24-bit BMP file written by this program (54-byte header), without
// the row padding: bottom-up, 3 x width bytes per row.
inline std::vector<uint8_t> unpaddedBmpRows(const std::vector<uint8_t>& file, int width, int height)
{
    const std::size_t stride = (std::size_t(width) * 3 + 3) & ~std::size_t(3);
    std::vector<uint8_t> rows;
    for (int r = 0; r < height; ++r)
        rows.insert(rows.end(), file.begin() + 54 + stride * r, file.begin() + 54 + stride * r + 3 * width);
    return rows;
}
