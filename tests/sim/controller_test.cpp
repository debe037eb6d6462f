#include "controller.h"
#include "line_pacer.h"
#include "line_reader.h"
#include "sim_options.h"

#include <gtest/gtest.h>

TEST(SimController, AnswersEveryCommandWord)
{
    Controller c;
    struct Case { const char* line; const char* reply; Transfer transfer; };
    const Case cases[] = {
        {"CAPTURE", "OK", Transfer::None},
        {"IMGSAVE 0 0", "READY", Transfer::ToTool},
        {"IMGSAVE 0 99", "READY", Transfer::ToTool},
        {"IMGSAVE 0 -1", "READY", Transfer::ToTool},
        {"IMGINFO 0 0", "3", Transfer::None},
        {"IMGINFO 0 3", "35", Transfer::None},
        {"IMGLOAD", "OK", Transfer::FromTool},
        {"BANK 31", "OK", Transfer::None},
        {"BG 0", "OK", Transfer::None},
        {"BNKSAVE 0 5", "READY", Transfer::ToTool},
        {"BGRSAVE 0 31", "READY", Transfer::ToTool},
        {"SYSSAVE 0", "READY", Transfer::ToTool},
        {"BNKLOAD 0 0", "READY", Transfer::FromTool},
        {"BGRLOAD 0 7", "READY", Transfer::FromTool},
        {"SYSLOAD 0", "READY", Transfer::FromTool},
        {"M", "OK", Transfer::None},
        {"M /I", "OK", Transfer::None},
        // out of range, malformed or unknown
        {"IMGSAVE 0 100", "ER", Transfer::None}, {"IMGSAVE 0 -2", "ER", Transfer::None},
        {"IMGINFO 0 4", "ER", Transfer::None},   {"BANK 32", "ER", Transfer::None},
        {"BG -1", "ER", Transfer::None},         {"BNKSAVE 0", "ER", Transfer::None},
        {"SYSSAVE 1", "ER", Transfer::None},     {"BANK x", "ER", Transfer::None},
        {"DATAGET 2 2", "ER", Transfer::None},   {"M /X", "ER", Transfer::None},
        {"capture", "ER", Transfer::None},       {"", "ER", Transfer::None},
    };
    for (const Case& k : cases) {
        ControllerReply r = c.handle(k.line, 0);
        EXPECT_EQ(r.text, k.reply) << k.line;
        EXPECT_EQ(r.transfer, k.transfer) << k.line;
    }
    EXPECT_EQ(c.handle("BANK 12", 0).text, "OK");
    EXPECT_EQ(c.bank(), 12);
    EXPECT_EQ(c.handle("IMGSAVE 0 -1", 0).number, -1);
}

TEST(SimController, MeasurementsMoveOnAndContinuousRunsUntilStopped)
{
    Controller c;
    std::string first = c.handle("DATAGET 2 1", 0).text;
    c.handle("M", 0);
    EXPECT_NE(c.handle("DATAGET 2 1", 0).text, first);

    EXPECT_EQ(c.handle("M /C", 1000).text, "OK");
    EXPECT_EQ(c.handle("M /C", 1000).text, "ER"); // already running
    EXPECT_EQ(c.measurements(1500), 1 + 5);
    EXPECT_EQ(c.handle("M /E", 1500).text, "OK");
    EXPECT_FALSE(c.continuous());
    EXPECT_EQ(c.measurements(9000), 6);
    for (int64_t t : {0, 100, 200, 300, 400}) {
        std::string j = c.handle("DATAGET 2 0", t).text;
        EXPECT_TRUE(j == "-2" || j == "-1" || j == "0") << j;
    }
}

TEST(SimLineReader, EachLineKeepsItsTerminator)
{
    LineReader r;
    r.feed("A\nB\r\nC\rD\r");
    auto a = r.next();
    auto b = r.next();
    auto c = r.next();
    ASSERT_TRUE(a && b && c);
    EXPECT_EQ(a->text + "|" + a->terminator, "A|\n");
    EXPECT_EQ(b->text + "|" + b->terminator, "B|\r\n");
    EXPECT_EQ(c->text + "|" + c->terminator, "C|\r");
    EXPECT_FALSE(r.next()); // "D\r" might still become D CR+LF
    EXPECT_TRUE(r.holdsCR());
    auto d = r.flushCR();
    ASSERT_TRUE(d);
    EXPECT_EQ(d->terminator, "\r");
    r.feed("\nE\n"); // the late LF of D's line is not an empty command
    auto e = r.next();
    ASSERT_TRUE(e);
    EXPECT_EQ(e->text, "E");
}

TEST(SimOptions, UsageErrorsSayWhatIsWrong)
{
    struct Case { std::vector<std::string> args; std::string error; };
    const Case cases[] = {
        {{"--data"}, "--data needs a value"},
        {{"--pty", "x", "--drop-after", "0"}, "--drop-after takes a number of bytes"},
        {{"--tcp"}, "--tcp needs a value"},
        {{"--tcp", "0", "--frobnicate", "1"}, "unknown option --frobnicate"},
        {{"--silent"}, "give --tcp, --pty or both"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args{"plnsim"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        std::vector<char*> argv;
        for (auto& a : args)
            argv.push_back(a.data());
        std::string error;
        EXPECT_FALSE(parseSimOptions(int(argv.size()), argv.data(), &error)) << c.error;
        EXPECT_EQ(error, c.error);
    }
    std::vector<std::string> good{"plnsim", "--tcp", "[::1]:0", "--reply-terminator", "CRLF"};
    std::vector<char*> argv;
    for (auto& a : good)
        argv.push_back(a.data());
    std::string error;
    auto o = parseSimOptions(int(argv.size()), argv.data(), &error);
    ASSERT_TRUE(o) << error;
    EXPECT_EQ(o->tcpAddress, "::1");
    EXPECT_EQ(o->replyTerminator, "\r\n");
    std::vector<std::string> help{"plnsim", "--help"};
    argv.clear();
    for (auto& a : help)
        argv.push_back(a.data());
    o = parseSimOptions(int(argv.size()), argv.data(), &error);
    ASSERT_TRUE(o && o->help);
}

// Writes `packets` runs of `size` bytes through the pacer, each queued the moment the line has
// delivered the last (as when the reader answers at once); returns when the last byte was
// delivered, in microseconds, and checks no byte ever goes before its time.
static int64_t pacedRuns(int baud, int packets, std::size_t size)
{
    LinePacer pacer(baud);
    int64_t now = 1'000'000;
    const int64_t start = now;
    for (int p = 0; p < packets; ++p) {
        std::size_t left = size;
        int64_t runStart = now;
        std::size_t done = 0;
        while (left > 0) {
            std::size_t n = pacer.allowed(now, left);
            done += n;
            left -= n;
            pacer.sent(n, left);
            // Byte k of the run is not there before k * 10 / baud seconds.
            EXPECT_GE((now - runStart) * baud, int64_t(done) * 10'000'000) << "packet " << p;
            if (left > 0) {
                int64_t due = pacer.dueUs(left);
                EXPECT_GT(due, now);
                now = due;
            }
        }
    }
    return now - start;
}

TEST(SimLinePacer, RunsTakeTheLineTimeExactlyOnAverage)
{
    struct Case { int baud; int packets; };
    for (Case c : {Case{115200, 1000}, Case{38400, 300}, Case{9600, 50}}) {
        SCOPED_TRACE(c.baud);
        double lineSeconds = c.packets * 133 * 10.0 / c.baud;
        double seconds = pacedRuns(c.baud, c.packets, 133) / 1e6;
        // Whole-millisecond slices made a 133-byte packet at 115200 baud take 12 ms, 4 % long.
        EXPECT_NEAR(seconds, lineSeconds, c.packets * 1e-6);
    }
}
