#include "image/bmp_file.h"
#include "image/raw_conversion.h"
#include "image_test_support.h"
#include "reference_demosaic.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;

TEST(ConvertProcess, MissingFileShowsMessage12)
{
    TempDir dir;
    RecordingReporter reporter;
    ImageWorkspace ws;
    EXPECT_TRUE(fncConvertProcess(ws, reporter, dir.path(), dir / "TMP", "tmp.bin", 0).empty());
    ASSERT_EQ(reporter.boxes.size(), 1u);
    EXPECT_EQ(reporter.boxes[0].section, "Message");
    EXPECT_EQ(reporter.boxes[0].number, 12);
}

TEST(ConvertProcess, PlnFileToTmpBmp)
{
    TempDir dir;
    RecordingReporter reporter;
    ImageWorkspace ws;
    const auto pixels = randomBytes(10 * 6, 8);
    writeBytes(dir / "TMP" / "tmp.bin", plnFileBytes(controllerHeader(10, 6), pixels));
    const fs::path bmp = fncConvertProcess(ws, reporter, dir.path(), dir / "TMP", "tmp.bin", 1);
    ASSERT_EQ(bmp, dir / "TMP" / "tmp.bmp");
    const auto file = readBytes(bmp);
    const auto expected = referenceDemosaic(pixels, 10, 6, 3, 0, 0, 0); // rows of 30 -> 32 bytes
    ASSERT_EQ(file.size(), 54u + 32 * 6);
    EXPECT_EQ(unpaddedBmpRows(file, 10, 6), expected);
    EXPECT_EQ(ws.uploadImage.pixels.data, pixels); // gains 0
    EXPECT_TRUE(reporter.boxes.empty());
}

TEST(BatchEntry, GoesThroughTheWorkFileSoRowsBeyond463AreBlack)
{
    TempDir dir;
    RecordingReporter reporter;
    ImageWorkspace ws;
    const int w = 8, h = 500;
    const auto pixels = std::vector<uint8_t>(std::size_t(w) * h, 200);
    writeBytes(dir / "tall.BYR", plnFileBytes(controllerHeader(w, h), pixels));
    ConversionOverrides overrides;
    overrides.hasGains = true;
    overrides.gainG = 10;
    ASSERT_EQ(convertBatchEntry(ws, reporter, dir.path(), dir / "tall.BYR", overrides), EntryResult::Converted);
    EXPECT_EQ(fs::file_size(dir / "TMP" / "tmp.bin"), std::size_t(w) * 464);
    const auto file = readBytes(dir / "TMP" / "tmp.bmp");
    ASSERT_EQ(file.size(), 54u + 24 * h);
    // Buffer row 0 is image row 499: black. Image row 100 is grey with green 220.
    EXPECT_EQ(file[54 + 4 * 3 + 1], 0);
    const std::size_t row100 = 54 + 24 * std::size_t(h - 1 - 100);
    EXPECT_EQ(file[row100 + 3 * 3 + 0], 200);
    EXPECT_EQ(file[row100 + 3 * 3 + 1], 220);

    // A file that cannot be read: the reader's box, once.
    EXPECT_EQ(convertBatchEntry(ws, reporter, dir.path(), dir / "absent.BYR"), EntryResult::ReadFailed);
    EXPECT_EQ(reporter.boxes.size(), 1u);
    EXPECT_FALSE(fs::exists(dir / "TMP" / "tmp.bin")); // no stale work file of the entry before
}

TEST(BatchOutputName, ReplacesCapitalExtensionsAndNeverKeepsTheSourceName)
{
    const std::pair<const char*, const char*> cases[] = {
        {"x.BYR", "x.bmp"},         {"x.GRY", "x.bmp"},         {"a.BYR.GRY", "a.bmp.bmp"},
        {"x.byr", "x.byr.bmp"},     {"y.raw", "y.raw.bmp"},     {"x.Byr", "x.Byr.bmp"},
        {"img.BYR.bak", "img.bmp.bak"}, {"noext", "noext.bmp"},
    };
    for (auto [in, out] : cases)
        EXPECT_EQ(batchOutputName(in), out) << in;
}
