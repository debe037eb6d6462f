#include "image/bmp_file.h"
#include "image/bmp_to_raw.h"
#include "files/file_util.h"
#include "image_test_support.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

uint32_t le32(const std::vector<uint8_t>& b, std::size_t at)
{
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (uint32_t(b[at + 3]) << 24);
}

void putLe32(std::vector<uint8_t>& b, std::size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = uint8_t(v >> (8 * i));
}

// Writes the buffer through fncWriteBmp and returns the file.
std::vector<uint8_t> writeThroughTmp(const TempDir& dir, int width, int height, const std::vector<uint8_t>& rows)
{
    ImageWorkspace ws;
    ws.bmpBuffer.assignZero(width, height);
    ws.bmpBuffer.bytes = rows;
    ws.imageWidth = width;
    ws.imageHeight = height;
    const fs::path written = fncWriteBmp(ws, dir.path());
    EXPECT_EQ(written, dir.path() / "TMP" / "tmp.bmp");
    return readBytes(written);
}

} // namespace

TEST(BmpWrite, HeaderFieldsAndBottomRowFirst)
{
    TempDir dir;
    const std::vector<uint8_t> rows = randomBytes(24, 1); // 4 x 2: bottom row, then top row
    writeThroughTmp(dir, 9, 9, randomBytes(243, 9)); // a longer tmp.bmp leaves nothing behind
    const auto file = writeThroughTmp(dir, 4, 2, rows);
    ASSERT_EQ(file.size(), 78u);
    EXPECT_EQ(file[0], 0x42);
    EXPECT_EQ(file[1], 0x4D);
    EXPECT_EQ(le32(file, 2), 78u);  // bfSize
    EXPECT_EQ(le32(file, 10), 54u); // bfOffBits
    EXPECT_EQ(le32(file, 14), 40u);
    EXPECT_EQ(le32(file, 18), 4u);
    EXPECT_EQ(le32(file, 22), 2u);
    EXPECT_EQ(file[26] | (file[27] << 8), 1);
    EXPECT_EQ(file[28] | (file[29] << 8), 24);
    EXPECT_EQ(le32(file, 30), 0u);
    EXPECT_EQ(le32(file, 34), 24u); // biSizeImage
    EXPECT_EQ(le32(file, 38), 100u);
    EXPECT_EQ(le32(file, 42), 100u);
    EXPECT_EQ(std::vector<uint8_t>(file.begin() + 54, file.end()), rows);

    auto header = makeBmpHeader(640, 480);
    ASSERT_TRUE(header);
    EXPECT_EQ(le32(std::vector<uint8_t>(header->begin(), header->end()), 2), 921654u);
    EXPECT_FALSE(makeBmpHeader(40000, 40000)); // 4.8 GB does not fit the size fields
}

TEST(BmpWrite, FiveWideRowsArePaddedAndReadBack)
{
    TempDir dir;
    const std::vector<uint8_t> rows = randomBytes(15 * 3, 2);
    const auto file = writeThroughTmp(dir, 5, 3, rows);
    ASSERT_EQ(file.size(), 54u + 16 * 3);
    EXPECT_EQ(le32(file, 2), 54u + 48);
    EXPECT_EQ(le32(file, 34), 48u);
    for (int r = 0; r < 3; ++r) {
        EXPECT_TRUE(std::equal(rows.begin() + 15 * r, rows.begin() + 15 * (r + 1), file.begin() + 54 + 16 * r));
        EXPECT_EQ(file[54 + 16 * r + 15], 0);
    }
    // Read back: the identical buffer. And the same picture without row padding too.
    std::vector<uint8_t> legacy(file.begin(), file.begin() + 54);
    legacy.insert(legacy.end(), rows.begin(), rows.end());
    for (const auto& bytes : {file, legacy}) {
        writeBytes(dir / "five.bmp", bytes);
        RecordingReporter reporter;
        ImageWorkspace ws;
        ASSERT_TRUE(fncReadBmp(ws, dir / "five.bmp", reporter));
        EXPECT_EQ(ws.bmpBuffer.bytes, rows);
        EXPECT_EQ(ws.imageWidth, 5);
        EXPECT_EQ(ws.imageHeight, 3);
    }
}

TEST(BmpRead, RefusesWhatItCannotReadWithOneErrorBox)
{
    TempDir dir;
    const auto good = writeThroughTmp(dir, 6, 2, randomBytes(36, 3)); // rows of 18 -> 20 bytes
    struct Case {
        const char* what;
        std::size_t offset;
        uint32_t value;
        int bytes;
        std::size_t truncateTo; // 0 = keep
        bool ok;
    } cases[] = {
        {"unchanged", 0, 'B', 1, 0, true},
        {"signature", 0, 'X', 1, 0, false},
        {"8-bit", 28, 8, 2, 0, false},
        {"32-bit", 28, 32, 2, 0, false},
        {"compressed", 30, 1, 4, 0, false},
        {"core header", 14, 12, 4, 0, false},
        {"negative height (top down)", 22, uint32_t(-2), 4, 0, false},
        {"negative width", 18, uint32_t(-6), 4, 0, false},
        {"width 0", 18, 0, 4, 0, false},
        {"height 0", 22, 0, 4, 0, false},
        {"offset beyond the file", 10, 5000, 4, 0, false},
        {"offset before the header end", 10, 20, 4, 0, false},
        {"huge size", 18, 100000, 4, 0, false},
        {"short pixel data", 0, 'B', 1, 54 + 30, false},
        {"only a header part", 0, 'B', 1, 20, false},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> bytes = good;
        for (int i = 0; i < c.bytes; ++i)
            bytes[c.offset + i] = uint8_t(c.value >> (8 * i));
        if (c.truncateTo)
            bytes.resize(c.truncateTo);
        writeBytes(dir / "x.bmp", bytes);
        RecordingReporter reporter;
        ImageWorkspace ws;
        EXPECT_EQ(fncReadBmp(ws, dir / "x.bmp", reporter), c.ok) << c.what;
        EXPECT_EQ(reporter.boxes.size(), c.ok ? 0u : 1u) << c.what;
        if (!c.ok && !reporter.boxes.empty())
            EXPECT_EQ(reporter.boxes[0].section, "Error");
    }
    // The top-down picture says so.
    std::vector<uint8_t> topDown = good;
    putLe32(topDown, 22, uint32_t(-2));
    writeBytes(dir / "td.bmp", topDown);
    RecordingReporter reporter;
    ImageWorkspace ws;
    EXPECT_FALSE(fncReadBmp(ws, dir / "td.bmp", reporter));
    EXPECT_NE(reporter.boxes.at(0).text.find("top down"), std::string::npos);
    EXPECT_FALSE(fncReadBmp(ws, dir / "absent.bmp", reporter));
    EXPECT_EQ(reporter.boxes.size(), 2u);
}

TEST(BmpRead, HonoursThePixelDataOffsetOfLargerHeaders)
{
    TempDir dir;
    const std::vector<uint8_t> rows = randomBytes(12 * 2, 4); // 4 x 2
    std::vector<uint8_t> file = writeThroughTmp(dir, 4, 2, rows);
    // A 124-byte header (as drawing programs write) puts the pixels at 138.
    file.insert(file.begin() + 54, 84, 0xAB);
    putLe32(file, 10, 138);
    putLe32(file, 14, 124);
    writeBytes(dir / "v5.bmp", file);
    RecordingReporter reporter;
    ImageWorkspace ws;
    ASSERT_TRUE(fncReadBmp(ws, dir / "v5.bmp", reporter));
    EXPECT_EQ(ws.bmpBuffer.bytes, rows);
}

TEST(LongFields, EncodeAndDecodeLittleEndian)
{
    uint8_t two[2], four[4];
    EXPECT_TRUE(fncLongToBytes(two, 19778));
    EXPECT_EQ(two[0], 0x42);
    EXPECT_EQ(two[1], 0x4D);
    EXPECT_FALSE(fncLongToBytes(two, 65536));
    EXPECT_FALSE(fncLongToBytes(four, -1));
    EXPECT_TRUE(fncLongToBytes(four, 921654));
    EXPECT_EQ(fncBytesToLong(four), 921654);
    const uint8_t top[4] = {0, 0, 0, 0x80};
    EXPECT_FALSE(fncBytesToLong(top));
    const uint8_t max[4] = {0xFF, 0xFF, 0xFF, 0x7F};
    EXPECT_EQ(fncBytesToLong(max), 2147483647);
}

TEST(BmpToRaw, TakesTheBggrChannelsFromTheFlippedBuffer)
{
    RecordingReporter reporter;
    ImageWorkspace ws;
    ws.imageWidth = 2;
    ws.imageHeight = 2;
    ws.bmpBuffer.assignZero(2, 2);
    // Buffer row 0 is image row 1.
    ws.bmpBuffer.bytes = {/* image (0,1) */ 10, 11, 12, /* image (1,1) */ 20, 21, 22,
                          /* image (0,0) */ 30, 31, 32, /* image (1,0) */ 40, 41, 42};
    ASSERT_TRUE(fncBmpToRaw(ws, reporter));
    const SensorImage& u = ws.uploadImage;
    EXPECT_EQ(u.pixels.data, (std::vector<uint8_t>{30, 41, 11, 22}));
    EXPECT_EQ(u.hkrHeader.bayerPattern, 3);
    EXPECT_EQ(u.hkrHeader.width, 2);
    EXPECT_EQ(u.plnHeader.prefix, (std::array<uint8_t, 7>{0, 0, 0, 0xBA, 1, 0, 0}));
    EXPECT_EQ(u.plnHeader.aux2, 2);
    EXPECT_EQ(u.plnHeader.reserved[21], 255);

    ws.imageWidth = 40000; // does not fit 16 bits
    EXPECT_FALSE(fncBmpToRaw(ws, reporter));
    ws.imageWidth = 3; // more than the buffer holds
    EXPECT_FALSE(fncBmpToRaw(ws, reporter));
    EXPECT_EQ(reporter.boxes.size(), 2u);
}

TEST(RemoveGain, DividesByTheColourGain)
{
    ImageWorkspace ws;
    EXPECT_FALSE(fncRemoveGain(ws));
    ws.uploadImage.pixels.assignZero(2, 2);
    ws.uploadImage.pixels.data = {9, 5, 7, 9}; // BGGR: B G / G R
    ws.uploadImage.hkrHeader = HkrHeader{3, 0, 100, 0, 2, 2};
    ASSERT_TRUE(fncRemoveGain(ws));
    EXPECT_EQ(ws.sensorImage.pixels.data, (std::vector<uint8_t>{9, 2, 4, 9}));
    ws.uploadImage.hkrHeader.bayerPattern = 4;
    ASSERT_TRUE(fncRemoveGain(ws));
    EXPECT_EQ(ws.sensorImage.pixels.data, std::vector<uint8_t>(4, 0));
}

TEST(FileReplacing, AFailedCopyOrWriteLeavesThePreviousFile)
{
    TempDir dir;
    writeBytes(dir / "keep.bmp", {7, 7, 7});
    std::string error;
    EXPECT_FALSE(copyFileReplacing(dir / "absent.bmp", dir / "keep.bmp", error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(writeFileReplacing(dir / "no-such-folder" / "keep.bmp", {}, error));
    EXPECT_EQ(readBytes(dir / "keep.bmp"), (std::vector<uint8_t>{7, 7, 7}));
    const std::vector<uint8_t> longer(1000, 1);
    writeBytes(dir / "src.bmp", longer);
    ASSERT_TRUE(copyFileReplacing(dir / "src.bmp", dir / "keep.bmp", error)) << error;
    EXPECT_EQ(readBytes(dir / "keep.bmp"), longer);
    // Only TMP, keep.bmp and src.bmp: no temporary file is left over.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 3);
}
