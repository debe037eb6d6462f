#include "image/pln_file.h"

#include "files/file_util.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <system_error>

namespace fs = std::filesystem;

namespace {

std::string sizeText(int32_t w, int32_t h)
{
    return std::to_string(w) + " x " + std::to_string(h);
}

// Reads up to size bytes; what the file lacks becomes zero.
void readAvailable(std::FILE* f, uint8_t* data, std::size_t size)
{
    const std::size_t got = size > 0 ? std::fread(data, 1, size, f) : 0;
    std::memset(data + got, 0, size - got);
}

} // namespace

bool fncReadFile_PLN(ImageWorkspace& ws, const fs::path& path, ImageReporter& reporter)
{
    int errorNumber = 0;
    FilePtr f = openForReading(path, errorNumber);
    if (!f) {
        reporter.showError(describeFileError("Cannot open", path, errorNumber));
        return false;
    }
    SensorImage& image = ws.sensorImage;
    const int64_t fileSize = openFileSize(f.get());
    if (fileSize >= 0 && fileSize < int64_t(PlnHeader::kSize)) {
        reporter.showError("The file " + path.string() + " is " + std::to_string(fileSize) +
                           " bytes long, too short for the " + std::to_string(PlnHeader::kSize) +
                           "-byte header of a raw image.");
        return false;
    }
    uint8_t header[PlnHeader::kSize] = {};
    readAvailable(f.get(), header, sizeof header);
    image.plnHeader = PlnHeader::fromBytes(header);
    image.hkrHeader = HkrHeader{3, 0, 0, 0, image.plnHeader.width, image.plnHeader.height};
    ws.imageWidth = image.plnHeader.width;
    ws.imageHeight = image.plnHeader.height;
    image.pixels.clear();
    if (image.plnHeader.width <= 0 || image.plnHeader.height <= 0) {
        reporter.showError("The file " + path.string() + " gives an image size of " +
                           sizeText(image.plnHeader.width, image.plnHeader.height) + ", which holds no pixels.");
        return false;
    }
    // Refused before anything is allocated: a 40-byte file could otherwise claim gigabytes.
    if (image.plnHeader.width > kMaxImageSide || image.plnHeader.height > kMaxImageSide) {
        reporter.showError("The file " + path.string() + " gives an image size of " +
                           sizeText(image.plnHeader.width, image.plnHeader.height) + "; images larger than " +
                           sizeText(kMaxImageSide, kMaxImageSide) + " pixels are not read.");
        return false;
    }
    try {
        image.pixels.resizeForOverwrite(image.plnHeader.width, image.plnHeader.height);
    } catch (const std::bad_alloc&) {
        reporter.showError("Not enough memory for an image of " +
                           sizeText(image.plnHeader.width, image.plnHeader.height) + " pixels.");
        return false;
    }
    readAvailable(f.get(), image.pixels.data.data(), image.pixels.data.size());
    image.checkBytes = {};
    readAvailable(f.get(), image.checkBytes.data(), image.checkBytes.size());
    if (std::ferror(f.get())) {
        reporter.showError(describeFileError("Cannot read", path, errno));
        return false;
    }
    return true;
}

bool fncReadTmpBinFile(ImageWorkspace& ws, const fs::path& path)
{
    int errorNumber = 0;
    FilePtr f = openForReading(path, errorNumber);
    if (!f)
        return false;
    SensorImage& image = ws.sensorImage;
    ws.imageWidth = image.hkrHeader.width;
    ws.imageHeight = image.hkrHeader.height;
    if (image.hkrHeader.width <= 0 || image.hkrHeader.height <= 0 || image.hkrHeader.width > kMaxImageSide ||
        image.hkrHeader.height > kMaxImageSide) {
        image.pixels.clear();
        return false;
    }
    try {
        image.pixels.resizeForOverwrite(image.hkrHeader.width, image.hkrHeader.height);
    } catch (const std::bad_alloc&) {
        image.pixels.clear();
        return false;
    }
    readAvailable(f.get(), image.pixels.data.data(), image.pixels.data.size());
    image.checkBytes = {};
    readAvailable(f.get(), image.checkBytes.data(), image.checkBytes.size());
    return !std::ferror(f.get());
}

bool fncMakeTmpBinFile(ImageWorkspace& ws, const fs::path& path, ImageReporter& reporter)
{
    SensorImage& image = ws.sensorImage;
    const int32_t width = image.hkrHeader.width;
    if (image.pixels.empty() || image.pixels.width != width) {
        // The old file is gone whatever happens next, as if it had been deleted first.
        std::error_code ec;
        fs::remove(path, ec);
        reporter.showError("The image is " + std::to_string(image.pixels.width) +
                           " pixels wide, but its header says " + std::to_string(width) + ".");
        return false;
    }
    // Only the rows the controller's frame holds go into the file; the image keeps them.
    image.pixels.data.resize(std::size_t(width) * kFrameHeight, 0);
    image.pixels.height = kFrameHeight;
    // Rewriting in place and cutting to length leaves the same file as deleting and
    // creating it, without giving the cached pages back and taking new ones.
    std::string error;
    if (!writeFileDirect(path, {{image.pixels.data.data(), image.pixels.data.size()}}, error)) {
        std::error_code ec;
        fs::remove(path, ec);
        reporter.showError(error);
        return false;
    }
    return true;
}

bool computeCheckBytes(const SensorImage& image, std::array<uint8_t, 4>& result, std::string& error)
{
    const PlnHeader& h = image.plnHeader;
    for (int16_t value : {h.width, h.height, h.aux1, h.aux2}) {
        if (value < 0) {
            error = "A header value of the image is negative (" + std::to_string(value) +
                    "), so its check value cannot be computed.";
            return false;
        }
    }
    const std::array<uint8_t, PlnHeader::kSize> header = h.toBytes();
    uint8_t lane[4] = {0, 0, 0, 0};
    // Offsets 0..17; the 22 reserved bytes take no part.
    for (std::size_t i = 0; i < 18; ++i)
        lane[i % 4] ^= header[i];
    // Pixels start at offset 40, a multiple of 4, so pixel byte i is in lane i mod 4.
    const std::vector<uint8_t>& px = image.pixels.data;
    const std::size_t n = px.size();
    uint64_t wide = 0;
    std::size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        uint64_t word;
        std::memcpy(&word, px.data() + i, 8);
        wide ^= word;
    }
    for (int k = 0; k < 8; ++k)
        lane[k % 4] ^= static_cast<uint8_t>(wide >> (8 * k)); // little-endian byte k is pixel i+k
    for (; i < n; ++i)
        lane[i % 4] ^= px[i];
    result = {static_cast<uint8_t>(~lane[0]), static_cast<uint8_t>(~lane[1]), lane[2], lane[3]};
    return true;
}

int32_t fncCalcChksum2(const SensorImage& image, std::array<uint8_t, 4>& result, ImageReporter& reporter)
{
    std::string error;
    if (!computeCheckBytes(image, result, error))
        reporter.showError(error);
    return 0;
}

bool fncWriteFile_PLN(ImageWorkspace& ws, const fs::path& path, ImageReporter& reporter)
{
    SensorImage& image = ws.sensorImage;
    const PlnHeader& h = image.plnHeader;
    if (image.pixels.empty() || image.pixels.width != h.width || image.pixels.height != h.height) {
        reporter.showError("The image holds " + sizeText(image.pixels.width, image.pixels.height) +
                           " pixels, but its header says " + sizeText(h.width, h.height) + ".");
        return false;
    }
    std::array<uint8_t, 4> check{};
    std::string error;
    if (!computeCheckBytes(image, check, error)) {
        // Refused rather than written with a check value the controller would reject.
        reporter.showError(error);
        return false;
    }
    image.checkBytes = check;
    const std::array<uint8_t, PlnHeader::kSize> header = h.toBytes();
    if (!writeFileReplacing(path,
                            {{header.data(), header.size()},
                             {image.pixels.data.data(), image.pixels.data.size()},
                             {image.checkBytes.data(), image.checkBytes.size()}},
                            error)) {
        reporter.showError(error);
        return false;
    }
    return true;
}
