// What the simulated controller sends: its test pictures and its bank, group and system data.
#include "controller_data.h"
#include "test_picture.h"

#include "temp_folder.h"

#include "image/gain.h"
#include "image/pixel_conversion.h"
#include "image/pln_file.h"

#include <gtest/gtest.h>

namespace {

struct SilentReporter : ImageReporter {
    void showError(const std::string& d) override { errors += d; }
    void showMessage(const std::string&, int, const std::string& d) override { errors += d; }
    std::string errors;
};

// The picture as the tool reads and shows it: PLN reader, then the colour conversion.
ImageWorkspace shown(const std::string& file, const TempFolder& folder)
{
    folder.write("pic.BYR", file);
    ImageWorkspace ws;
    SilentReporter reporter;
    EXPECT_TRUE(fncReadFile_PLN(ws, folder / "pic.BYR", reporter)) << reporter.errors;
    fncBayerToRgb(ws);
    return ws;
}

} // namespace

TEST(SimPictures, AreValidPlnFilesThatShowTheirColours)
{
    TempFolder folder;
    const std::string file = testPictureFile(0);
    ASSERT_EQ(file.size(), 282156u);
    ImageWorkspace ws = shown(file, folder);
    const PlnHeader& h = ws.sensorImage.plnHeader;
    EXPECT_EQ(h.width, 608);
    EXPECT_EQ(h.height, 464);
    EXPECT_EQ(h.colourFlag, 0);
    std::array<uint8_t, 4> check{};
    std::string error;
    ASSERT_TRUE(computeCheckBytes(ws.sensorImage, check, error));
    EXPECT_EQ(ws.sensorImage.checkBytes, check);

    // Image 0: the bars white, yellow, cyan, green, magenta, red, blue, black, left to right.
    const int rgb[8][3] = {{1, 1, 1}, {1, 1, 0}, {0, 1, 1}, {0, 1, 0}, {1, 0, 1}, {1, 0, 0}, {0, 0, 1}, {0, 0, 0}};
    const BmpPixelBuffer& bmp = ws.bmpBuffer;
    const uint8_t* row = bmp.row(bmp.height - 1 - 50); // bottom-up rows: line 50 from the top
    for (int bar = 0; bar < 8; ++bar) {
        const uint8_t* px = row + 3 * (bar * 76 + 38);
        for (int c = 0; c < 3; ++c) {
            int value = px[2 - c]; // blue-green-red
            EXPECT_EQ(value > 128, rgb[bar][c] == 1) << "bar " << bar << " channel " << c << " = " << value;
        }
    }
}

// The simulator writes its files with code of its own: what the tool reads from them and
// writes back out must be the very same bytes, header, pixels and check value.
TEST(SimPictures, AreTheBytesTheToolWritesForTheSameImage)
{
    TempFolder folder;
    ControllerData data;
    std::string error;
    std::string upload;
    for (int i = 0; i < 608 * 464; ++i)
        upload += char((i * 7 + i / 608) & 0xFF);
    ASSERT_TRUE(data.store("IMG", 0, upload, &error));
    const std::string files[] = {testPictureFile(0), testPictureFile(37), testPictureFile(-1), data.fileToSend("IMG", -1)};
    for (const std::string& file : files) {
        folder.write("sim.BYR", file);
        ImageWorkspace ws;
        SilentReporter reporter;
        ASSERT_TRUE(fncReadFile_PLN(ws, folder / "sim.BYR", reporter)) << reporter.errors;
        const PlnHeader& h = ws.sensorImage.plnHeader;
        EXPECT_EQ(h.prefix, (std::array<uint8_t, 7>{0x00, 0x00, 0x00, 0xBA, 0x01, 0x00, 0x00}));
        EXPECT_EQ(h.aux1, 0);
        EXPECT_EQ(h.aux2, 464);
        EXPECT_EQ(h.auxBytes, (std::array<uint8_t, 2>{}));
        EXPECT_EQ(h.reserved, (std::array<uint8_t, 22>{}));
        ASSERT_TRUE(fncWriteFile_PLN(ws, folder / "tool.BYR", reporter)) << reporter.errors;
        EXPECT_TRUE(folder.read("tool.BYR") == file) << "the two writers differ";
    }
}

// The camera's gains, applied by the simulator's own code, against the tool's gain rule for
// every byte value at a site of every colour.
TEST(SimPictures, CarryTheReportedGainsAsTheToolAppliesThem)
{
    std::vector<uint8_t> frame(size_t(kSimFrameWidth) * kSimFrameHeight);
    for (size_t i = 0; i < frame.size(); ++i)
        frame[i] = uint8_t(i / 3 + i / kSimFrameWidth);
    PixelArray raw;
    raw.width = kSimFrameWidth;
    raw.height = kSimFrameHeight;
    raw.data = frame;
    HkrHeader header{uint8_t(kSimImageInfo[0]), uint8_t(kSimImageInfo[1]), uint8_t(kSimImageInfo[2]),
                     uint8_t(kSimImageInfo[3]), kSimFrameWidth, kSimFrameHeight};
    PixelArray gained;
    gainSites(raw, header, GainDirection::Apply, gained);
    EXPECT_TRUE(withReportedGains(frame) == gained.data);
}

TEST(SimPictures, EveryNumberGivesItsOwnPicture)
{
    const int numbers[] = {0, 1, 8, 10, 99, -1};
    for (int a : numbers)
        for (int b : numbers)
            if (a < b)
                EXPECT_NE(testPictureFile(a), testPictureFile(b)) << a << " " << b;
    EXPECT_EQ(testPictureFile(7), testPictureFile(7));
}

TEST(SimData, InitialContentsNameThemselvesAndCarryEveryByte)
{
    struct Case { const char* what; int number; const char* title; size_t size; };
    const Case cases[] = {
        {"BNK", 5, "PLNSIM BANK 05\r\n", 3085},
        {"BGR", 31, "PLNSIM BANK GROUP 31\r\n", 1903},
        {"SYS", 0, "PLNSIM SYSTEM DATA 00\r\n", 5000},
    };
    for (const Case& c : cases) {
        std::string d = ControllerData::initialContents(c.what, c.number);
        EXPECT_EQ(d.rfind(c.title, 0), 0u) << c.what;
        EXPECT_EQ(d.size(), c.size) << c.what;
        for (int v : {0x01, 0x04, 0x0D, 0x18, 0xFF})
            EXPECT_NE(d.find(char(v)), std::string::npos) << c.what << " " << v;
    }
    EXPECT_NE(ControllerData::initialContents("BNK", 5), ControllerData::initialContents("BNK", 6));
    EXPECT_NE(ControllerData::initialContents("BNK", 5).substr(300), ControllerData::initialContents("BGR", 5).substr(300));
}

TEST(SimData, LoadedDataOutlastsTheRunOnlyWithADataFolder)
{
    TempFolder folder;
    const std::string loaded = "loaded\r\n\xff" + std::string(200, 'x');
    std::string error;
    {
        ControllerData data(folder.path() / "store");
        ASSERT_TRUE(data.store("BNK", 3, loaded, &error)) << error;
        ASSERT_TRUE(data.store("SYS", 0, "sys", &error)) << error;
        EXPECT_EQ(data.fileToSend("BNK", 3), loaded);
    }
    ControllerData again(folder.path() / "store");
    EXPECT_EQ(again.fileToSend("BNK", 3), loaded);
    EXPECT_EQ(again.fileToSend("SYS", 0), "sys");
    EXPECT_EQ(again.fileToSend("BGR", 3), ControllerData::initialContents("BGR", 3));

    ControllerData memoryOnly;
    ASSERT_TRUE(memoryOnly.store("BGR", 1, "group", &error));
    EXPECT_EQ(memoryOnly.fileToSend("BGR", 1), "group");
    EXPECT_EQ(ControllerData().fileToSend("BGR", 1), ControllerData::initialContents("BGR", 1));

    folder.write("file", "x"); // a data folder that is a file cannot take anything
    ControllerData broken(folder / "file");
    EXPECT_FALSE(broken.store("BNK", 0, "x", &error));
    EXPECT_FALSE(error.empty());
}

TEST(SimData, AnUploadBecomesTheLiveImage)
{
    TempFolder folder;
    // 600 columns x 464 rows as the tool sends them, with the transfer's padding after.
    std::string upload;
    for (int y = 0; y < 464; ++y)
        for (int x = 0; x < 600; ++x)
            upload += char((x + 3 * y) & 0xFF);
    upload.resize((upload.size() + 127) / 128 * 128, char(0xFF));
    ControllerData data;
    std::string error;
    ASSERT_TRUE(data.store("IMG", 0, upload, &error));
    ImageWorkspace ws = shown(data.fileToSend("IMG", -1), folder);
    const PixelArray& px = ws.sensorImage.pixels;
    ASSERT_EQ(px.width, 608);
    EXPECT_EQ(px.at(0, 0), 0);
    // Sent with the gains IMGINFO reports: (599, 463) is a red site, 196 x 1.20 = 235; the
    // green site (124, 45) keeps its value.
    EXPECT_EQ(px.at(599, 463), 235);
    EXPECT_EQ(px.at(124, 45), (124 + 3 * 45) & 0xFF);
    EXPECT_EQ(px.at(600, 10), 0); // columns the upload lacks are black
    EXPECT_EQ(data.fileToSend("IMG", 5), testPictureFile(5));
}
