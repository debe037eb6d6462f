#pragma once
// 24-bit BMP files in both directions, and the little-endian header field helpers.

#include "image/demosaic.h"
#include "image/image_reporter.h"
#include "image/image_workspace.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>

inline constexpr std::size_t kBmpHeaderSize = 54;

// Fills a 2- or 4-byte field with value, little-endian. False when the value is negative
// or does not fit the field.
bool fncLongToBytes(std::span<uint8_t> field, int32_t value);

// The little-endian unsigned number in the field; nothing when it exceeds 2147483647.
std::optional<int32_t> fncBytesToLong(std::span<const uint8_t> field);

// The 54-byte header of a bottom-up 24-bit BMP of width x height with padded rows;
// nothing when a size does not fit.
std::optional<std::array<uint8_t, kBmpHeaderSize>> makeBmpHeader(int32_t width, int32_t height);

// The BMP file bytes (header and padded rows) for the buffer; nothing when a size does not fit.
bool encodeBmp(const BmpPixelBuffer& buffer, int32_t width, int32_t height, std::vector<uint8_t>& file);

// Writes the BMP pixel buffer with the current image size to <programFolder>/TMP/tmp.bmp.
// Returns the path, or an empty path on failure (nothing is shown).
std::filesystem::path fncWriteBmp(ImageWorkspace& ws, const std::filesystem::path& programFolder);

// Converts the current sensor image (grey or Bayer by its colourFlag) into the BMP pixel
// buffer and writes tmp.bmp. Returns its path, or an empty path.
std::filesystem::path fncImageToBmp(ImageWorkspace& ws, const std::filesystem::path& programFolder,
                                    SimdLevel level = SimdLevel::Auto);

// Reads a 24-bit uncompressed BMP into the BMP pixel buffer and sets the current image
// size. Anything else is refused with an error box that says why.
bool fncReadBmp(ImageWorkspace& ws, const std::filesystem::path& path, ImageReporter& reporter);

// Where the rows of a BMP file are: the picture size, the offset of the bottom row and the
// distance between rows.
struct BmpLayout {
    int32_t width = 0;
    int32_t height = 0;
    uint64_t pixelOffset = 0;
    uint64_t stride = 0;
};

// Checks the 54 header bytes of a file of fileSize bytes: a 24-bit uncompressed Windows BMP
// of at most kMaxImageSide pixels a side whose rows (padded, or unpadded when the file is
// exactly that long) lie inside the file. On failure sets error to why.
bool parseBmpLayout(const uint8_t* header, std::size_t headerSize, uint64_t fileSize, BmpLayout& layout,
                    std::string& error);

// Parses BMP file bytes into the buffer; on failure sets error and leaves the buffer alone.
bool decodeBmp(const uint8_t* data, std::size_t size, BmpPixelBuffer& buffer, std::string& error);
