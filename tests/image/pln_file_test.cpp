#include "image/pln_file.h"
#include "image_test_support.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;

TEST(PlnFile, WriteAndReadBackA608x464Image)
{
    TempDir dir;
    RecordingReporter reporter;
    ImageWorkspace ws;
    ws.sensorImage.plnHeader = controllerHeader();
    ws.sensorImage.plnHeader.reserved.fill(0x5A);
    ws.sensorImage.pixels.assignZero(608, 464);
    ws.sensorImage.pixels.data = randomBytes(608 * 464, 7);
    // A longer file of the same name leaves nothing behind.
    writeBytes(dir / "a.BYR", std::vector<uint8_t>(300000, 0xEE));
    ASSERT_TRUE(fncWriteFile_PLN(ws, dir / "a.BYR", reporter));
    EXPECT_EQ(fs::file_size(dir / "a.BYR"), 282156u);

    ImageWorkspace back;
    back.sensorImage.hkrHeader = HkrHeader{0, 9, 9, 9, 1, 1};
    ASSERT_TRUE(fncReadFile_PLN(back, dir / "a.BYR", reporter));
    EXPECT_EQ(back.sensorImage.plnHeader.toBytes(), ws.sensorImage.plnHeader.toBytes());
    EXPECT_EQ(back.sensorImage.pixels.data, ws.sensorImage.pixels.data);
    EXPECT_EQ(back.sensorImage.checkBytes, ws.sensorImage.checkBytes);
    const HkrHeader& h = back.sensorImage.hkrHeader;
    EXPECT_EQ(std::vector<int>({h.bayerPattern, h.gainR, h.gainG, h.gainB, h.width, h.height}),
              std::vector<int>({3, 0, 0, 0, 608, 464}));
    EXPECT_EQ(back.imageWidth, 608);
    EXPECT_EQ(back.imageHeight, 464);
    EXPECT_TRUE(reporter.boxes.empty());
    // No temporary file is left beside the target.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 2); // a.BYR, TMP
}

TEST(PlnFile, CheckValueOfTheBlackControllerImageIs9EFD00BA)
{
    RecordingReporter reporter;
    SensorImage image;
    image.plnHeader = controllerHeader();
    image.pixels.assignZero(608, 464);
    std::array<uint8_t, 4> check{};
    for (uint8_t reserved : {0x00, 0xFF, 0x37}) {
        image.plnHeader.reserved.fill(reserved);
        EXPECT_EQ(fncCalcChksum2(image, check, reporter), 0);
        EXPECT_EQ(check, (std::array<uint8_t, 4>{0x9E, 0xFD, 0x00, 0xBA}));
    }
    // Pixel (x, y) belongs to lane x mod 4.
    image.pixels.data[5 * 608 + 6] = 0x0F;
    fncCalcChksum2(image, check, reporter);
    EXPECT_EQ(check, (std::array<uint8_t, 4>{0x9E, 0xFD, 0x0F, 0xBA}));
    EXPECT_TRUE(reporter.boxes.empty());
}

TEST(PlnFile, NegativeAuxValueIsRefusedAndLeavesTheOldFile)
{
    TempDir dir;
    RecordingReporter reporter;
    ImageWorkspace ws;
    ws.sensorImage.plnHeader = controllerHeader();
    ws.sensorImage.plnHeader.aux1 = -1;
    ws.sensorImage.pixels.assignZero(608, 464);
    writeBytes(dir / "old.BYR", {1, 2, 3});
    EXPECT_FALSE(fncWriteFile_PLN(ws, dir / "old.BYR", reporter));
    EXPECT_EQ(readBytes(dir / "old.BYR"), (std::vector<uint8_t>{1, 2, 3}));
    ASSERT_EQ(reporter.boxes.size(), 1u);
    EXPECT_EQ(reporter.boxes[0].section, "Error");
    // A folder that does not exist: one error box, nothing written.
    ws.sensorImage.plnHeader.aux1 = 0;
    EXPECT_FALSE(fncWriteFile_PLN(ws, dir / "missing" / "x.BYR", reporter));
    EXPECT_EQ(reporter.boxes.size(), 2u);
}

TEST(PlnFile, ShortAndMalformedFiles)
{
    TempDir dir;
    const std::vector<uint8_t> pixels = randomBytes(8 * 4, 3);
    const std::vector<uint8_t> full = plnFileBytes(controllerHeader(8, 4), pixels, {9, 8, 7, 6});
    struct Case {
        const char* what;
        std::size_t keep; // bytes of the full file kept
        bool ok;
        std::size_t pixelsRead;
        std::size_t checkRead;
    } cases[] = {
        {"whole file", full.size(), true, 32, 4},
        {"two check bytes", full.size() - 2, true, 32, 2},
        {"pixels cut short", 40 + 20, true, 20, 0},
        {"header only", 40, true, 0, 0},
        {"header cut short: size 0", 9, false, 0, 0},
        {"empty file", 0, false, 0, 0},
    };
    for (const Case& c : cases) {
        RecordingReporter reporter;
        writeBytes(dir / "s.BYR", std::vector<uint8_t>(full.begin(), full.begin() + c.keep));
        ImageWorkspace ws;
        EXPECT_EQ(fncReadFile_PLN(ws, dir / "s.BYR", reporter), c.ok) << c.what;
        EXPECT_EQ(reporter.boxes.size(), c.ok ? 0u : 1u) << c.what;
        if (!c.ok) {
            EXPECT_TRUE(ws.sensorImage.pixels.empty());
            continue;
        }
        std::vector<uint8_t> expected(32, 0);
        std::copy(pixels.begin(), pixels.begin() + c.pixelsRead, expected.begin());
        EXPECT_EQ(ws.sensorImage.pixels.data, expected) << c.what;
        std::array<uint8_t, 4> check{};
        const uint8_t fullCheck[4] = {9, 8, 7, 6};
        std::copy(fullCheck, fullCheck + c.checkRead, check.begin());
        EXPECT_EQ(ws.sensorImage.checkBytes, check) << c.what;
    }
    // Bytes beyond the check bytes are ignored; a negative size fails with the headers set.
    RecordingReporter reporter;
    ImageWorkspace ws;
    std::vector<uint8_t> longer = full;
    longer.resize(full.size() + 10, 0x77);
    writeBytes(dir / "l.BYR", longer);
    EXPECT_TRUE(fncReadFile_PLN(ws, dir / "l.BYR", reporter));
    writeBytes(dir / "n.BYR", plnFileBytes(controllerHeader(-8, 4), pixels));
    EXPECT_FALSE(fncReadFile_PLN(ws, dir / "n.BYR", reporter));
    EXPECT_EQ(ws.imageWidth, -8);
    EXPECT_EQ(ws.sensorImage.hkrHeader.width, -8);
    EXPECT_FALSE(fncReadFile_PLN(ws, dir / "absent.BYR", reporter));
    EXPECT_FALSE(fs::exists(dir / "absent.BYR"));
    EXPECT_EQ(reporter.boxes.size(), 2u);
}

TEST(PlnFile, UploadFileHas464RowsAndTheImageKeepsThem)
{
    TempDir dir;
    for (int rows : {500, 400, 464}) {
        RecordingReporter reporter;
        ImageWorkspace ws;
        ws.sensorImage.hkrHeader.width = 16;
        ws.sensorImage.hkrHeader.height = int16_t(rows);
        ws.sensorImage.pixels.assignZero(16, rows);
        ws.sensorImage.pixels.data = randomBytes(16u * rows, rows);
        const auto original = ws.sensorImage.pixels.data;
        ASSERT_TRUE(fncMakeTmpBinFile(ws, dir / "TMP" / "tmp.bin", reporter));
        std::vector<uint8_t> expected(original.begin(), original.begin() + 16 * std::min(rows, 464));
        expected.resize(16 * 464, 0);
        EXPECT_EQ(readBytes(dir / "TMP" / "tmp.bin"), expected) << rows;
        EXPECT_EQ(ws.sensorImage.pixels.height, 464);
        EXPECT_EQ(ws.sensorImage.pixels.data, expected);

        // Read back headerless with the header height: rows from 464 on are 0.
        ASSERT_TRUE(fncReadTmpBinFile(ws, dir / "TMP" / "tmp.bin"));
        EXPECT_EQ(ws.sensorImage.pixels.height, rows);
        expected.resize(16u * rows, 0);
        EXPECT_EQ(ws.sensorImage.pixels.data, expected);
    }
    // The pixel array must be as wide as the header says.
    RecordingReporter reporter;
    ImageWorkspace ws;
    ws.sensorImage.hkrHeader.width = 10;
    ws.sensorImage.pixels.assignZero(12, 4);
    EXPECT_FALSE(fncMakeTmpBinFile(ws, dir / "TMP" / "tmp.bin", reporter));
    EXPECT_EQ(reporter.boxes.size(), 1u);
    EXPECT_FALSE(fncReadTmpBinFile(ws, dir / "TMP" / "absent.bin"));
    EXPECT_EQ(reporter.boxes.size(), 1u); // the headerless reader shows nothing
}

TEST(FitToFrame, PlacesImagesAsTheControllerExpects)
{
    struct Case {
        int width, height;
        int firstColumn, firstRow; // where image (0, 0) lands, 0-based; may be negative
    } cases[] = {
        {600, 460, 2, 0},
        {640, 464, 0, -2},
        {512, 464, 46, -2},
        {512, 400, 46, 30},
        {601, 463, 2, -2},
        {608, 100, -2, 180},
        {700, 500, 0, 0},
        {1, 1, 302, 230},
    };
    for (const Case& c : cases) {
        RecordingReporter reporter;
        ImageWorkspace ws;
        ws.sensorImage.plnHeader = controllerHeader(int16_t(c.width), int16_t(c.height));
        ws.sensorImage.hkrHeader.width = int16_t(c.width);
        ws.sensorImage.pixels.assignZero(c.width, c.height);
        for (int y = 0; y < c.height; ++y)
            for (int x = 0; x < c.width; ++x)
                ws.sensorImage.pixels.row(y)[x] = uint8_t(1 + (x * 7 + y * 13) % 250);
        ASSERT_TRUE(fncFitToFrame(ws, reporter));
        const SensorImage& s = ws.sensorImage;
        EXPECT_EQ(s.plnHeader.width, 608);
        EXPECT_EQ(s.plnHeader.height, 464);
        EXPECT_EQ(s.plnHeader.aux2, c.height); // untouched
        EXPECT_EQ(s.hkrHeader.width, c.width);
        ASSERT_EQ(s.pixels.data.size(), 608u * 464u);
        for (int fy = 0; fy < 464; ++fy) {
            for (int fx = 0; fx < 608; ++fx) {
                const int x = fx - c.firstColumn, y = fy - c.firstRow;
                const bool inside = x >= 0 && y >= 0 && x < c.width && y < c.height;
                const int expected = inside ? 1 + (x * 7 + y * 13) % 250 : 0;
                ASSERT_EQ(s.pixels.at(fx, fy), expected) << c.width << "x" << c.height << " at " << fx << "," << fy;
            }
        }
    }
    // 608 x 464 is left exactly as it is.
    RecordingReporter reporter;
    ImageWorkspace ws;
    ws.sensorImage.plnHeader = controllerHeader();
    ws.sensorImage.pixels.assignZero(608, 464);
    ws.sensorImage.pixels.data = randomBytes(608 * 464, 5);
    const auto before = ws.sensorImage.pixels.data;
    ASSERT_TRUE(fncFitToFrame(ws, reporter));
    EXPECT_EQ(ws.sensorImage.pixels.data, before);
    // No image: an error box, not a crash.
    ImageWorkspace empty;
    empty.sensorImage.plnHeader = controllerHeader(600, 460);
    EXPECT_FALSE(fncFitToFrame(empty, reporter));
    EXPECT_EQ(reporter.boxes.size(), 1u);
}
