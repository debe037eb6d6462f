// The checked reader and the two writers against what a shared folder can hold: FIFOs,
// device nodes, planted symlinks and hard links, read-only and symlinked targets.
#include "image/bmp_file.h"
#include "files/file_util.h"
#include "image/pln_file.h"
#include "image_test_support.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::vector<uint8_t> bytes(const std::string& s) { return {s.begin(), s.end()}; }

ByteChunk chunk(const std::string& s) { return {reinterpret_cast<const uint8_t*>(s.data()), s.size()}; }

bool isFifo(const fs::path& p)
{
    struct stat info {};
    return ::lstat(p.c_str(), &info) == 0 && S_ISFIFO(info.st_mode);
}

TEST(CheckedReader, RefusesFoldersAndFifosWithoutBlocking)
{
    TempDir dir;
    ::alarm(30); // a reader that waited for a FIFO's writer would hang here
    ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0644), 0);
    std::string data;
    int errorNumber = 0;
    EXPECT_FALSE(readWholeFile(dir / "pipe", data, 100, errorNumber));
    EXPECT_EQ(errorNumber, kErrNotRegularFile);
    EXPECT_FALSE(readWholeFile(dir / "TMP", data, 100, errorNumber));
    EXPECT_EQ(errorNumber, EISDIR);
    EXPECT_FALSE(openForReading(dir / "pipe", errorNumber));
    writeBytes(dir / "big", std::vector<uint8_t>(101, 1));
    EXPECT_FALSE(readWholeFile(dir / "big", data, 100, errorNumber));
    EXPECT_EQ(errorNumber, EFBIG);
    fs::create_symlink("big", dir / "link");
    EXPECT_TRUE(readWholeFile(dir / "link", data, 101, errorNumber));
    EXPECT_EQ(data.size(), 101u);
    ::alarm(0);
}

TEST(SafeWriter, RefusesATargetThatIsNoRegularFileAndWritesThroughASymlink)
{
    TempDir dir;
    ASSERT_EQ(::mkfifo((dir / "out.fifo").c_str(), 0644), 0);
    std::string error;
    EXPECT_FALSE(writeFileReplacing(dir / "out.fifo", {chunk("x")}, error));
    EXPECT_NE(error.find("not a regular file"), std::string::npos) << error;
    EXPECT_TRUE(isFifo(dir / "out.fifo"));
    writeBytes(dir / "src", bytes("copied"));
    EXPECT_FALSE(copyFileReplacing(dir / "src", dir / "out.fifo", error));
    EXPECT_TRUE(isFifo(dir / "out.fifo"));
    EXPECT_FALSE(writeFileReplacing(dir / "TMP", {chunk("x")}, error));
    EXPECT_TRUE(fs::is_directory(dir / "TMP"));

    writeBytes(dir / "real.bmp", bytes("old"));
    ::chmod((dir / "real.bmp").c_str(), 0640);
    fs::create_symlink("real.bmp", dir / "link.bmp");
    ASSERT_TRUE(copyFileReplacing(dir / "src", dir / "link.bmp", error)) << error;
    EXPECT_TRUE(fs::is_symlink(dir / "link.bmp"));
    EXPECT_EQ(readBytes(dir / "real.bmp"), bytes("copied"));
    struct stat info {};
    ASSERT_EQ(::stat((dir / "real.bmp").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
}

TEST(WorkFiles, APlantedLinkFifoOrHardLinkIsReplacedNeverWrittenThrough)
{
    TempDir dir;
    ::alarm(30);
    writeBytes(dir / "victim", bytes("precious"));
    fs::create_symlink(dir / "victim", dir / "TMP" / "tmp.bin");
    fs::create_hard_link(dir / "victim", dir / "TMP" / "tmp.bmp");
    ASSERT_EQ(::mkfifo((dir / "TMP" / "tmp_2.bin").c_str(), 0644), 0);
    for (const char* name : {"tmp.bin", "tmp.bmp", "tmp_2.bin"}) {
        std::string error;
        ASSERT_TRUE(writeFileDirect(dir / "TMP" / name, {chunk("work")}, error)) << name << ": " << error;
        EXPECT_FALSE(fs::is_symlink(dir / "TMP" / name)) << name;
        EXPECT_EQ(readBytes(dir / "TMP" / name), bytes("work")) << name;
    }
    EXPECT_EQ(readBytes(dir / "victim"), bytes("precious"));
    ::alarm(0);
}

TEST(ImageBounds, OversizeAndShortHeadersAreRefusedNamingTheCause)
{
    TempDir dir;
    struct Case {
        std::vector<uint8_t> file;
        const char* says;
    };
    PlnHeader huge = controllerHeader(26000, 26000);
    const auto hugeBytes = huge.toBytes();
    std::vector<uint8_t> bmpHeader(54, 0);
    const auto bmp = makeBmpHeader(20000, 2);
    std::copy(bmp->begin(), bmp->end(), bmpHeader.begin());
    for (const Case& c : {Case{std::vector<uint8_t>(hugeBytes.begin(), hugeBytes.end()), "26000 x 26000"},
                          Case{std::vector<uint8_t>(hugeBytes.begin(), hugeBytes.begin() + 10), "too short"}}) {
        writeBytes(dir / "x.BYR", c.file);
        ImageWorkspace ws;
        RecordingReporter reporter;
        EXPECT_FALSE(fncReadFile_PLN(ws, dir / "x.BYR", reporter));
        ASSERT_EQ(reporter.boxes.size(), 1u);
        EXPECT_NE(reporter.boxes[0].text.find(c.says), std::string::npos) << reporter.boxes[0].text;
        EXPECT_TRUE(ws.sensorImage.pixels.data.empty());
    }
    // A BMP header claiming 20000 pixels a side over a sparse file large enough to hold them.
    writeBytes(dir / "x.bmp", bmpHeader);
    fs::resize_file(dir / "x.bmp", 54 + 60000ull * 2);
    ImageWorkspace ws;
    RecordingReporter reporter;
    EXPECT_FALSE(fncReadBmp(ws, dir / "x.bmp", reporter));
    ASSERT_EQ(reporter.boxes.size(), 1u);
    EXPECT_NE(reporter.boxes[0].text.find("20000 x 2"), std::string::npos) << reporter.boxes[0].text;
}

TEST(ImageBounds, ABmpReadsOnlyTheRowsItsHeaderDescribes)
{
    TempDir dir;
    // A 2 x 2 picture at the start of a sparse 3 GB file: its rows, not the file, are read.
    ImageWorkspace ws;
    ws.imageWidth = ws.imageHeight = 2;
    ws.bmpBuffer.assignZero(2, 2);
    ws.bmpBuffer.bytes = randomBytes(12, 5);
    std::vector<uint8_t> file;
    ASSERT_TRUE(encodeBmp(ws.bmpBuffer, 2, 2, file));
    writeBytes(dir / "big.bmp", file);
    fs::resize_file(dir / "big.bmp", 3ull << 30);
    ImageWorkspace back;
    RecordingReporter reporter;
    ASSERT_TRUE(fncReadBmp(back, dir / "big.bmp", reporter));
    EXPECT_EQ(back.bmpBuffer.bytes, ws.bmpBuffer.bytes);
}

TEST(WorkFiles, AFailedWorkBmpKeepsTheSystemsReason)
{
    TempDir dir;
    fs::remove(dir / "TMP");
    writeBytes(dir / "TMP", bytes("a file where the folder should be"));
    ImageWorkspace ws;
    ws.imageWidth = ws.imageHeight = 2;
    ws.bmpBuffer.assignZero(2, 2);
    EXPECT_TRUE(fncWriteBmp(ws, dir.path()).empty());
    EXPECT_NE(ws.workFileError.find("Not a directory"), std::string::npos) << ws.workFileError;
}

} // namespace
