#pragma once
// Raw sensor image files: the PLN raw image file (.GRY, .BYR, and what the controller sends
// after a capture), the headerless upload/work file, the XOR check value and the fitting of
// an image into the controller's 608 x 464 frame. All work on the current sensor image.

#include "image/image_reporter.h"
#include "image/image_workspace.h"

#include <array>
#include <cstdint>
#include <filesystem>

inline constexpr int32_t kFrameWidth = 608;
inline constexpr int32_t kFrameHeight = 464;

// The length of a PLN file of width x height pixels: header, pixels, 4 check bytes.
inline constexpr int64_t plnFileBytes(int32_t width, int32_t height)
{
    return 40 + int64_t(width) * int64_t(height) + 4;
}

// Reads a PLN file: header, width x height pixels (missing bytes stay 0), 4 check bytes
// (not verified). Sets the HkrHeader to pattern 3, gains 0 and the PLN size, and the
// current image size. Failures are shown through the reporter.
bool fncReadFile_PLN(ImageWorkspace& ws, const std::filesystem::path& path, ImageReporter& reporter);

// Reads a headerless file with the HkrHeader's width and height (rows the file lacks stay
// 0), then 4 bytes into checkBytes. Headers untouched. Fails silently: the caller reports.
bool fncReadTmpBinFile(ImageWorkspace& ws, const std::filesystem::path& path);

// Replaces the file with the image's pixel rows 0..463 (W = HkrHeader width columns); the
// current sensor image keeps the pixel array resized to W x 464.
bool fncMakeTmpBinFile(ImageWorkspace& ws, const std::filesystem::path& path, ImageReporter& reporter);

// Places the current sensor image into the 608 x 464 frame (see frame_fit.cpp).
bool fncFitToFrame(ImageWorkspace& ws, ImageReporter& reporter);

// The XOR check value of the image as a PLN file would hold it, into result. Returns 0
// (also on failure, which is shown through the reporter when one is given).
int32_t fncCalcChksum2(const SensorImage& image, std::array<uint8_t, 4>& result, ImageReporter& reporter);

// Computes the check value; false with a description when a header Integer is negative.
bool computeCheckBytes(const SensorImage& image, std::array<uint8_t, 4>& result, std::string& error);

// Writes the current sensor image as a PLN file (header, pixels, check bytes). The file is
// replaced only once it has been written whole.
bool fncWriteFile_PLN(ImageWorkspace& ws, const std::filesystem::path& path, ImageReporter& reporter);
