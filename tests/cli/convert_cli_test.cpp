// plnctl convert, run as the user runs it.
#include "image/bmp_file.h"
#include "image/pln_file.h"
#include "../image/image_test_support.h"
#include "../image/reference_demosaic.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <sys/stat.h>
#include <sys/wait.h>

namespace fs = std::filesystem;

namespace {

struct CliRun {
    int exitCode;
    std::string errors;
};

std::string quoted(const std::string& s)
{
    std::string q = "'";
    for (char c : s)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

// Runs plnctl convert with its work folders under dir/work; shellPrefix goes before it
// (a ulimit, for instance).
CliRun plnctl(const TempDir& dir, const std::vector<std::string>& args, const std::string& shellPrefix = "",
              const std::string& errorFile = "stderr.txt")
{
    fs::create_directories(dir / "work");
    std::string command = "export TMPDIR=" + quoted((dir / "work").string()) + "; " + shellPrefix + " " + quoted(PLNCTL_PATH) +
                          " --program-folder " + quoted((dir / "prog").string()) + " convert";
    for (const auto& a : args)
        command += " " + quoted(a);
    command += " 2>" + quoted((dir / errorFile).string());
    const int status = std::system(command.c_str());
    const auto err = readBytes(dir / "stderr.txt");
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, std::string(err.begin(), err.end())};
}

int countLines(const std::string& text)
{
    return int(std::count(text.begin(), text.end(), '\n'));
}

} // namespace

TEST(PlnctlConvert, UsageMistakesExitWith2)
{
    TempDir dir;
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"a.BYR"},
        {"a.BYR", "-o", "a.bmp", "-d", "out"},
        {"a.BYR", "b.BYR", "-o", "a.bmp"},
        {"--pattern", "RGBG", "a.BYR", "-o", "a.bmp"},
        {"--gain", "1,2", "a.BYR", "-o", "a.bmp"},
        {"--gain", "1,2,256", "a.BYR", "-o", "a.bmp"},
        {"--bogus", "a.BYR", "-o", "a.bmp"},
        {"a.BYR", "-o"},
    };
    for (const auto& args : cases)
        EXPECT_EQ(plnctl(dir, args).exitCode, 2) << (args.empty() ? "" : args[0]);
}

TEST(PlnctlConvert, RawToBmpWithPatternAndGains)
{
    TempDir dir;
    const int w = 12, h = 7;
    const auto pixels = randomBytes(w * h, 21);
    writeBytes(dir / "shot.byr", plnFileBytes(controllerHeader(w, h), pixels));
    const CliRun ok = plnctl(dir, {"--pattern", "GRBG", "--gain", "10,0,255", (dir / "shot.byr").string(), "-o",
                                (dir / "out.bmp").string()});
    ASSERT_EQ(ok.exitCode, 0) << ok.errors;
    EXPECT_TRUE(ok.errors.empty());
    const auto file = readBytes(dir / "out.bmp");
    ASSERT_EQ(file.size(), 54u + 36 * h);
    EXPECT_EQ(unpaddedBmpRows(file, w, h), referenceDemosaic(pixels, w, h, 2, 10, 0, 255));
    // The work files were in a folder of this run's own, gone with it; the program folder's
    // TMP belongs to PLNTOOL.
    EXPECT_FALSE(fs::exists(dir / "prog" / "TMP"));
    EXPECT_TRUE(fs::is_empty(dir / "work"));
}

TEST(PlnctlConvert, SeveralFilesIntoAFolderAFailureDoesNotStopTheOthers)
{
    TempDir dir;
    const auto pixels = randomBytes(8 * 4, 22);
    writeBytes(dir / "a.BYR", plnFileBytes(controllerHeader(8, 4), pixels));
    writeBytes(dir / "b.GRY", plnFileBytes(controllerHeader(8, 4), pixels));
    writeBytes(dir / "c.BYR", plnFileBytes(controllerHeader(0, 4), pixels)); // no pixels
    writeBytes(dir / "d.byr", plnFileBytes(controllerHeader(8, 4), pixels));
    fs::create_directories(dir / "folder.BYR");
    const auto source = readBytes(dir / "d.byr");
    const CliRun run = plnctl(dir, {(dir / "a.BYR").string(), (dir / "c.BYR").string(), (dir / "missing.BYR").string(),
                                 (dir / "b.GRY").string(), (dir / "folder.BYR").string(), (dir / "d.byr").string(),
                                 (dir / "notes.txt").string(), "-d", dir.path().string()});
    EXPECT_EQ(run.exitCode, 1);
    // c.BYR, missing.BYR, folder.BYR, notes.txt: one line each
    EXPECT_EQ(countLines(run.errors), 4) << run.errors;
    EXPECT_NE(run.errors.find("plnctl: " + (dir / "folder.BYR").string() + ": "), std::string::npos) << run.errors;
    EXPECT_NE(run.errors.find("plnctl: " + (dir / "c.BYR").string() + ": "), std::string::npos) << run.errors;
    // x.BYR and x.GRY both become x.bmp; the lower-case source keeps its name and gets .bmp added.
    EXPECT_TRUE(fs::exists(dir / "a.bmp"));
    EXPECT_TRUE(fs::exists(dir / "b.bmp"));
    EXPECT_FALSE(fs::exists(dir / "c.bmp"));
    EXPECT_TRUE(fs::exists(dir / "d.byr.bmp"));
    EXPECT_EQ(readBytes(dir / "d.byr"), source);
}

TEST(PlnctlConvert, BmpToRawIsFittedIntoTheControllerFrame)
{
    TempDir dir;
    // A 600 x 460 picture, written the way this program writes BMPs.
    ImageWorkspace ws;
    ws.imageWidth = 600;
    ws.imageHeight = 460;
    ws.bmpBuffer.assignZero(600, 460);
    ws.bmpBuffer.bytes = randomBytes(600 * 460 * 3, 23);
    fs::create_directories(dir / "prog" / "TMP");
    ASSERT_FALSE(fncWriteBmp(ws, dir / "prog").empty());
    fs::rename(dir / "prog" / "TMP" / "tmp.bmp", dir / "pic.bmp");

    CliRun run = plnctl(dir, {(dir / "pic.bmp").string(), "-o", (dir / "pic.BYR").string()});
    ASSERT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_EQ(fs::file_size(dir / "pic.BYR"), 282156u);
    RecordingReporter reporter;
    ImageWorkspace back;
    ASSERT_TRUE(fncReadFile_PLN(back, dir / "pic.BYR", reporter));
    // Image (0, 0) is at frame column 2, row 0; BGGR: blue byte of image pixel (0, 0), which
    // is in the last buffer row.
    const uint8_t* bottomRowOfPicture = ws.bmpBuffer.row(459);
    EXPECT_EQ(back.sensorImage.pixels.at(2, 0), bottomRowOfPicture[0]);
    EXPECT_EQ(back.sensorImage.pixels.at(0, 0), 0);
    EXPECT_EQ(back.sensorImage.pixels.at(606, 463), 0);

    // -d names it after the picture; a raw output is required with -o.
    run = plnctl(dir, {(dir / "pic.bmp").string(), "-d", (dir / "out").string()});
    EXPECT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_EQ(fs::file_size(dir / "out" / "pic.BYR"), 282156u);
    run = plnctl(dir, {(dir / "pic.bmp").string(), "-o", (dir / "pic2.bmp").string()});
    EXPECT_EQ(run.exitCode, 1);
    // A file that is not a 24-bit BMP: one line, and the old output stays.
    writeBytes(dir / "bad.bmp", std::vector<uint8_t>(100, 0));
    run = plnctl(dir, {(dir / "bad.bmp").string(), "-o", (dir / "pic.BYR").string()});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(countLines(run.errors), 1) << run.errors;
    EXPECT_EQ(fs::file_size(dir / "pic.BYR"), 282156u);
}

TEST(PlnctlConvert, AnOutputThatIsAFifoIsRefusedAndStaysAFifo)
{
    TempDir dir;
    writeBytes(dir / "shot.BYR", plnFileBytes(controllerHeader(8, 4), randomBytes(32, 3)));
    ASSERT_EQ(::mkfifo((dir / "out.fifo").c_str(), 0644), 0);
    const CliRun run = plnctl(dir, {(dir / "shot.BYR").string(), "-o", (dir / "out.fifo").string()}, "timeout 20");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.errors.find("not a regular file"), std::string::npos) << run.errors;
    EXPECT_EQ(fs::status(dir / "out.fifo").type(), fs::file_type::fifo);
}

TEST(PlnctlConvert, AnOversizeHeaderIsRefusedBeforeAnythingIsAllocated)
{
    TempDir dir;
    // 40 bytes claiming 26000 x 26000 (3.3 GB if believed), and a file cut inside its header.
    const auto header = controllerHeader(26000, 26000).toBytes();
    writeBytes(dir / "huge.BYR", std::vector<uint8_t>(header.begin(), header.end()));
    writeBytes(dir / "cut.BYR", std::vector<uint8_t>(header.begin(), header.begin() + 10));
    for (const char* name : {"huge", "cut"}) {
        const CliRun run = plnctl(dir, {(dir / (std::string(name) + ".BYR")).string(), "-o", (dir / "out.bmp").string()},
                                  "ulimit -v 409600;");
        EXPECT_EQ(run.exitCode, 1) << name;
        EXPECT_NE(run.errors.find(name == std::string("huge") ? "26000 x 26000" : "too short"), std::string::npos)
            << run.errors;
        EXPECT_FALSE(fs::exists(dir / "out.bmp"));
    }
}

TEST(PlnctlConvert, TwoRunsAtOnceEachWriteTheirOwnPictures)
{
    TempDir dir;
    // Two jobs convert different pictures into their own folders at the same time; every output
    // must be its own input's picture.
    const int w = 16, h = 8, files = 12;
    std::string script;
    for (int job = 0; job < 2; ++job) {
        fs::create_directories(dir / ("in" + std::to_string(job)));
        std::vector<std::string> args;
        for (int i = 0; i < files; ++i) {
            const auto name = dir / ("in" + std::to_string(job)) / ("p" + std::to_string(i) + ".BYR");
            writeBytes(name, plnFileBytes(controllerHeader(w, h), randomBytes(w * h, uint32_t(100 * job + i))));
            args.push_back(name.string());
        }
        args.insert(args.end(), {"-d", (dir / ("out" + std::to_string(job))).string()});
        std::string command = quoted(PLNCTL_PATH) + " --program-folder " + quoted((dir / "prog").string()) + " convert";
        for (const auto& a : args)
            command += " " + quoted(a);
        // Each job runs its whole batch three times, so the two overlap for certain.
        script += "(for n in 1 2 3; do " + command + " || exit 1; done) & p" + std::to_string(job) + "=$!; ";
    }
    script += "wait $p0 && wait $p1";
    const std::string shell = "bash -c " + quoted(std::string(script));
    ASSERT_EQ(std::system(shell.c_str()), 0);
    for (int job = 0; job < 2; ++job)
        for (int i = 0; i < files; ++i) {
            const auto pixels = randomBytes(w * h, uint32_t(100 * job + i));
            const auto out = readBytes(dir / ("out" + std::to_string(job)) / ("p" + std::to_string(i) + ".bmp"));
            ASSERT_EQ(out.size(), 54u + std::size_t(w) * 3 * h) << job << " " << i;
            EXPECT_EQ(unpaddedBmpRows(out, w, h), referenceDemosaic(pixels, w, h, 3, 0, 0, 0)) << job << " " << i;
        }
}
