// plnctl image get/put against the simulator: the files it writes, the round trip through the
// controller, and that it leaves the program folder's work files alone.
#include "child_process.h"
#include "link_fixture.h"
#include "sim_process.h"

#include "image/bmp_file.h"
#include "image/gain.h"
#include "image/pln_file.h"
#include "image_test_support.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

class PlnctlImage : public ::testing::Test {
protected:
    PlnctlImage()
    {
        writeTestMessages(folder);
        writeTestSettings(folder);
        fs::create_directories(folder / "TMP");
        fs::create_directories(tmpdir / "t");
    }
    ChildResult run(std::vector<std::string> args)
    {
        args.insert(args.begin(), {"--program-folder", folder.path().string(), "--host",
                                   "127.0.0.1:" + std::to_string(sim.tcpPort)});
        return runChild(PLNCTL_PATH, args, {"TMPDIR=" + (tmpdir / "t").string()});
    }
    SimProcess sim{{"--tcp", "0"}};
    TempFolder folder;
    TempFolder out;
    TempFolder tmpdir;
};

} // namespace

TEST_F(PlnctlImage, GetWritesTheRawFileOrThePictureAndNoSharedWorkFile)
{
    folder.write("TMP/tmp.bin", "the window's image");
    ChildResult r = run({"image", "get", "5", (out / "five.BYR").string()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    r = run({"image", "get", "5", (out / "five.bmp").string()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    r = run({"image", "get", "live", (out / "live.GRY").string()});
    ASSERT_EQ(r.exitCode, 0) << r.err;

    // The raw file as received; the picture is its conversion as the window shows it.
    ImageWorkspace ws;
    RecordingReporter reporter;
    ASSERT_TRUE(fncReadFile_PLN(ws, out / "five.BYR", reporter));
    EXPECT_EQ(ws.sensorImage.plnHeader.width, 608);
    TempDir program;
    const fs::path converted = fncImageToBmp(ws, program.path());
    ASSERT_FALSE(converted.empty());
    EXPECT_EQ(readBytes(out / "five.bmp"), readBytes(converted));
    EXPECT_NE(readBytes(out / "live.GRY"), readBytes(out / "five.BYR"));

    EXPECT_EQ(folder.read("TMP/tmp.bin"), "the window's image");
    EXPECT_EQ(std::distance(fs::directory_iterator(folder / "TMP"), fs::directory_iterator()), 1);
    EXPECT_TRUE(fs::is_empty(tmpdir / "t")); // the private work folder is gone
}

TEST_F(PlnctlImage, PutUploadsTheBmpWithTheGainsTakenOutAndGetBringsItBack)
{
    const int width = 608, height = 464;
    BmpPixelBuffer picture;
    picture.assignZero(width, height);
    picture.bytes = randomBytes(picture.bytes.size(), 11);
    std::vector<uint8_t> file;
    ASSERT_TRUE(encodeBmp(picture, width, height, file));
    writeBytes(out / "in.bmp", file);

    ChildResult r = run({"image", "put", (out / "in.bmp").string()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    r = run({"image", "get", "live", (out / "back.BYR").string()});
    ASSERT_EQ(r.exitCode, 0) << r.err;

    ImageWorkspace ws;
    RecordingReporter reporter;
    ASSERT_TRUE(fncReadFile_PLN(ws, out / "back.BYR", reporter));
    // Blue at even x of even rows (gain 35), red at odd x of odd rows (gain 20), green (0)
    // elsewhere; the BMP's rows run bottom-up.
    int differences = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const bool blue = x % 2 == 0 && y % 2 == 0, red = x % 2 == 1 && y % 2 == 1;
            const uint8_t v = picture.row(height - 1 - y)[3 * x + (blue ? 0 : red ? 2 : 1)];
            // Taken out for the upload, applied again by the controller when it sends.
            const float factor = gainFactor(blue ? 35 : red ? 20 : 0);
            const uint8_t expected = scaleByGain(unscaleByGain(v, factor), factor);
            differences += ws.sensorImage.pixels.at(x, y) != expected;
        }
    EXPECT_EQ(differences, 0);
    EXPECT_TRUE(fs::is_empty(folder / "TMP"));
}

TEST_F(PlnctlImage, WrongArgumentsAreUsageErrors)
{
    const std::vector<std::vector<std::string>> cases = {
        {"image", "get", "100", (out / "x.bmp").string()},
        {"image", "get", "-1", (out / "x.bmp").string()},
        {"image", "get", "5", (out / "x.png").string()},
        {"image", "put", (out / "x.txt").string()},
        {"image", "put"},
        {"image"},
    };
    for (const auto& args : cases) {
        ChildResult r = run(args);
        EXPECT_EQ(r.exitCode, 2) << args.back();
    }
    EXPECT_TRUE(fs::is_empty(out.path()));
}
