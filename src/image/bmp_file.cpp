#include "image/bmp_file.h"

#include "files/file_util.h"
#include "image/pixel_conversion.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>
#include <new>
#include <string>
#include <system_error>

#include <sys/stat.h>

namespace fs = std::filesystem;

bool fncLongToBytes(std::span<uint8_t> field, int32_t value)
{
    if (value < 0 || field.empty() || field.size() > 4)
        return false;
    uint32_t rest = static_cast<uint32_t>(value);
    for (std::size_t i = 0; i < field.size(); ++i) {
        field[i] = static_cast<uint8_t>(rest & 0xFF);
        rest >>= 8;
    }
    return rest == 0;
}

std::optional<int32_t> fncBytesToLong(std::span<const uint8_t> field)
{
    uint64_t sum = 0;
    for (std::size_t i = field.size(); i-- > 0;)
        sum = (sum << 8) | field[i];
    if (field.size() > 4 || sum > uint64_t(std::numeric_limits<int32_t>::max()))
        return std::nullopt;
    return static_cast<int32_t>(sum);
}

namespace {

// Standard BMP rows are padded to a multiple of 4 bytes.
uint64_t paddedRowBytes(int32_t width)
{
    return (uint64_t(width) * 3 + 3) & ~uint64_t(3);
}

struct HeaderField {
    std::size_t offset;
    std::size_t size;
    int64_t value;
};

} // namespace

std::optional<std::array<uint8_t, kBmpHeaderSize>> makeBmpHeader(int32_t width, int32_t height)
{
    if (width < 0 || height < 0)
        return std::nullopt;
    const int64_t imageBytes = int64_t(paddedRowBytes(width)) * height;
    const HeaderField fields[] = {
        {0, 2, 19778},                // bfType "BM"
        {2, 4, imageBytes + 54},      // bfSize
        {6, 2, 0},                    // bfReserved1
        {8, 2, 0},                    // bfReserved2
        {10, 4, 54},                  // bfOffBits
        {14, 4, 40},                  // biSize
        {18, 4, width},               // biWidth
        {22, 4, height},              // biHeight: positive, rows bottom-up
        {26, 2, 1},                   // biPlanes
        {28, 2, 24},                  // biBitCount
        {30, 4, 0},                   // biCompression
        {34, 4, imageBytes},          // biSizeImage
        {38, 4, 100},                 // biXPelsPerMeter
        {42, 4, 100},                 // biYPelsPerMeter
        {46, 4, 0},                   // biClrUsed
        {50, 4, 0},                   // biClrImportant
    };
    std::array<uint8_t, kBmpHeaderSize> header{};
    for (const HeaderField& f : fields) {
        if (f.value > std::numeric_limits<int32_t>::max() ||
            !fncLongToBytes(std::span<uint8_t>(header.data() + f.offset, f.size), static_cast<int32_t>(f.value)))
            return std::nullopt;
    }
    return header;
}

bool encodeBmp(const BmpPixelBuffer& buffer, int32_t width, int32_t height, std::vector<uint8_t>& file)
{
    const auto header = makeBmpHeader(width, height);
    if (!header || buffer.width != width || buffer.height != height ||
        buffer.bytes.size() != std::size_t(width) * 3 * std::size_t(height))
        return false;
    const std::size_t rowBytes = std::size_t(width) * 3;
    const std::size_t padded = paddedRowBytes(width);
    file.resize(kBmpHeaderSize + padded * std::size_t(height));
    std::memcpy(file.data(), header->data(), kBmpHeaderSize);
    uint8_t* out = file.data() + kBmpHeaderSize;
    for (int32_t r = 0; r < height; ++r, out += padded) {
        std::memcpy(out, buffer.row(r), rowBytes);
        std::memset(out + rowBytes, 0, padded - rowBytes);
    }
    return true;
}

fs::path fncWriteBmp(ImageWorkspace& ws, const fs::path& programFolder)
{
    const fs::path path = programFolder / "TMP" / "tmp.bmp";
    const auto header = makeBmpHeader(ws.imageWidth, ws.imageHeight);
    const BmpPixelBuffer& buffer = ws.bmpBuffer;
    if (!header || buffer.width != ws.imageWidth || buffer.height != ws.imageHeight)
        return {};
    const std::size_t rowBytes = buffer.rowBytes();
    const std::size_t padding = paddedRowBytes(buffer.width) - rowBytes;
    std::string error;
    bool ok;
    ws.workFileError.clear();
    if (padding == 0) {
        ok = writeFileDirect(path, {{header->data(), header->size()}, {buffer.bytes.data(), buffer.bytes.size()}},
                             error);
    } else {
        std::vector<uint8_t> file;
        ok = encodeBmp(buffer, ws.imageWidth, ws.imageHeight, file) &&
             writeFileDirect(path, {{file.data(), file.size()}}, error);
    }
    if (!ok)
        ws.workFileError = error;
    return ok ? path : fs::path();
}

fs::path fncImageToBmp(ImageWorkspace& ws, const fs::path& programFolder, SimdLevel level)
{
    if (ws.sensorImage.plnHeader.colourFlag == 0)
        fncBayerToRgb(ws, level);
    else
        fncGrayToRgb(ws);
    return fncWriteBmp(ws, programFolder);
}

bool parseBmpLayout(const uint8_t* header, std::size_t headerSize, uint64_t fileSize, BmpLayout& layout,
                    std::string& error)
{
    if (headerSize < kBmpHeaderSize || fileSize < kBmpHeaderSize) {
        error = "the file is too short to be a BMP picture.";
        return false;
    }
    auto field = [&](std::size_t offset, std::size_t bytes) {
        return fncBytesToLong(std::span<const uint8_t>(header + offset, bytes));
    };
    if (header[0] != 'B' || header[1] != 'M') {
        error = "the file is not a BMP picture (it does not start with \"BM\").";
        return false;
    }
    const auto offBits = field(10, 4);
    const auto infoSize = field(14, 4);
    const auto bitCount = field(28, 2);
    const auto compression = field(30, 4);
    if (!infoSize || *infoSize < 40) {
        error = "the BMP picture has an old or unknown header form; only Windows BMP headers are read.";
        return false;
    }
    if (!bitCount || *bitCount != 24) {
        error = "the BMP picture has " + std::to_string(bitCount.value_or(-1)) +
                " bits per pixel; only 24-bit pictures are read.";
        return false;
    }
    if (!compression || *compression != 0) {
        error = "the BMP picture is compressed; only uncompressed pictures are read.";
        return false;
    }
    const auto width = field(18, 4);
    const auto height = field(22, 4);
    if (!width) {
        error = "the BMP picture has a negative width.";
        return false;
    }
    if (!height) {
        // The top bit of biHeight marks a picture stored top down.
        error = "overflow: the BMP picture is stored top down (negative height), which is not supported.";
        return false;
    }
    if (*width == 0 || *height == 0) {
        error = "the BMP picture has no pixels (width or height 0).";
        return false;
    }
    if (*width > kMaxImageSide || *height > kMaxImageSide) {
        error = "the BMP picture is " + std::to_string(*width) + " x " + std::to_string(*height) +
                " pixels; pictures larger than " + std::to_string(kMaxImageSide) + " x " +
                std::to_string(kMaxImageSide) + " are not read.";
        return false;
    }
    if (!offBits || *offBits < int32_t(kBmpHeaderSize) || uint64_t(*offBits) > fileSize) {
        error = "the pixel data offset of the BMP picture lies outside the file.";
        return false;
    }
    const uint64_t rowBytes = uint64_t(*width) * 3;
    const uint64_t available = fileSize - uint64_t(*offBits);
    const uint64_t paddedSize = paddedRowBytes(*width) * uint64_t(*height);
    const uint64_t unpaddedSize = rowBytes * uint64_t(*height);
    if (available >= paddedSize) {
        layout.stride = paddedRowBytes(*width);
    } else if (available == unpaddedSize) {
        // A picture whose rows are not padded to four bytes: some writers leave it out.
        layout.stride = rowBytes;
    } else {
        error = "the file is shorter than its " + std::to_string(*width) + " x " + std::to_string(*height) +
                " picture.";
        return false;
    }
    layout.width = *width;
    layout.height = *height;
    layout.pixelOffset = uint64_t(*offBits);
    return true;
}

bool decodeBmp(const uint8_t* data, std::size_t size, BmpPixelBuffer& buffer, std::string& error)
{
    BmpLayout layout;
    if (!parseBmpLayout(data, size, size, layout, error))
        return false;
    try {
        buffer.assignZero(layout.width, layout.height);
    } catch (const std::bad_alloc&) {
        error = "not enough memory for the picture.";
        return false;
    }
    const uint8_t* in = data + layout.pixelOffset;
    for (int32_t r = 0; r < layout.height; ++r, in += layout.stride)
        std::memcpy(buffer.row(r), in, buffer.rowBytes());
    return true;
}

bool fncReadBmp(ImageWorkspace& ws, const fs::path& path, ImageReporter& reporter)
{
    int errorNumber = 0;
    FilePtr f = openForReading(path, errorNumber);
    if (!f) {
        reporter.showError(describeFileError("Cannot open", path, errorNumber));
        return false;
    }
    // Only the header and the rows it describes are read: a huge or sparse file costs no
    // more than the picture it claims to hold, and that is bounded.
    const int64_t fileSize = openFileSize(f.get());
    uint8_t header[kBmpHeaderSize] = {};
    const std::size_t got = std::fread(header, 1, sizeof header, f.get());
    std::string error;
    BmpLayout layout;
    if (std::ferror(f.get())) {
        reporter.showError(describeFileError("Cannot read", path, errno));
        return false;
    }
    if (fileSize < 0 || !parseBmpLayout(header, got, uint64_t(fileSize), layout, error)) {
        reporter.showError("Cannot read " + path.string() + ": " + error);
        return false;
    }
    BmpPixelBuffer buffer;
    try {
        buffer.resizeForOverwrite(layout.width, layout.height);
    } catch (const std::bad_alloc&) {
        reporter.showError("Cannot read " + path.string() + ": not enough memory for the picture.");
        return false;
    }
    const std::size_t rowBytes = buffer.rowBytes();
    for (int32_t r = 0; r < layout.height; ++r) {
        const uint64_t at = layout.pixelOffset + uint64_t(r) * layout.stride;
        if (::fseeko(f.get(), off_t(at), SEEK_SET) != 0 || std::fread(buffer.row(r), 1, rowBytes, f.get()) != rowBytes) {
            // A file cut short while it was read leaves no error number of its own.
            reporter.showError(describeFileError("Cannot read", path, std::ferror(f.get()) && errno ? errno : EIO));
            return false;
        }
    }
    ws.bmpBuffer = std::move(buffer);
    ws.imageWidth = ws.bmpBuffer.width;
    ws.imageHeight = ws.bmpBuffer.height;
    return true;
}
