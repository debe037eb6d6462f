#pragma once
// The in-memory sensor image: the two headers the controller and the PLN file use, the
// raw pixel array and the four check bytes that follow the pixels in a raw file.

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

// The largest image side the program reads or converts (a PLN header can claim 32767, a BMP
// header far more): 16384 x 16384 pixels already take 256 MB raw and 768 MB as a picture.
inline constexpr int32_t kMaxImageSide = 16384;

// Values that the controller reports for an image (or that a reader sets).
struct HkrHeader {
    uint8_t bayerPattern = 0; // 0 RGGB, 1 GBRG, 2 GRBG, 3 BGGR
    uint8_t gainR = 0;        // percent added to red
    uint8_t gainG = 0;
    uint8_t gainB = 0;
    int16_t width = 0;
    int16_t height = 0;
};

// The 40-byte header of a PLN raw image file, field by field.
struct PlnHeader {
    static constexpr std::size_t kSize = 40;

    std::array<uint8_t, 7> prefix{};
    uint8_t colourFlag = 0; // 0 Bayer colour, anything else grey
    int16_t width = 0;
    int16_t height = 0;
    int16_t aux1 = 0;
    int16_t aux2 = 0;
    std::array<uint8_t, 2> auxBytes{};
    std::array<uint8_t, 22> reserved{};

    std::array<uint8_t, kSize> toBytes() const;
    static PlnHeader fromBytes(const uint8_t* bytes); // kSize bytes
};

// One byte per sensor site, row after row from the top row, x fastest.
// An empty array (no pixels) is the state before any image was read.
struct PixelArray {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> data;

    bool empty() const { return data.empty(); }
    void assignZero(int32_t w, int32_t h);
    // Sizes the array for a caller that writes (or clears) every byte itself.
    void resizeForOverwrite(int32_t w, int32_t h);
    void clear();
    uint8_t* row(int32_t y) { return data.data() + std::size_t(y) * std::size_t(width); }
    const uint8_t* row(int32_t y) const { return data.data() + std::size_t(y) * std::size_t(width); }
    uint8_t at(int32_t x, int32_t y) const { return row(y)[x]; }
};

struct SensorImage {
    HkrHeader hkrHeader;
    PlnHeader plnHeader;
    PixelArray pixels;
    std::array<uint8_t, 4> checkBytes{};
};

// The 24-bit picture exactly as the rows of a bottom-up BMP: height rows of 3 x width bytes
// (no padding), row 0 holding the bottom line, blue-green-red per pixel.
struct BmpPixelBuffer {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> bytes;

    std::size_t rowBytes() const { return std::size_t(width) * 3; }
    void assignZero(int32_t w, int32_t h);
    // Sizes the buffer for a conversion that writes every byte: the clearing is skipped
    // because nothing of the old content can show through.
    void resizeForOverwrite(int32_t w, int32_t h);
    uint8_t* row(int32_t r) { return bytes.data() + std::size_t(r) * rowBytes(); }
    const uint8_t* row(int32_t r) const { return bytes.data() + std::size_t(r) * rowBytes(); }
};
