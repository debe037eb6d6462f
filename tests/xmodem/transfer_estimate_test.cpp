// The progress figures of a transfer, on the fake clock.
#include "fake_link.h"

#include "xmodem/transfer_estimate.h"

#include <gtest/gtest.h>

#include <optional>

TEST(TransferEstimate, FiguresForKnownUnknownOverrunAndFreshTransfers)
{
    struct Case {
        const char* what;
        int64_t bytes, total, moved;
        double rateSeconds, elapsed;
        std::optional<double> fraction, left;
        double rate;
    };
    const Case cases[] = {
        {"a quarter of a known size", 2048, 8192, 2048, 2.0, 3.0, 0.25, 6.0, 1024},
        {"size not known: rate only", 2048, 0, 2048, 2.0, 3.0, std::nullopt, std::nullopt, 1024},
        {"past the expected size", 9000, 8192, 9000, 2.0, 3.0, 1.0, std::nullopt, 4500},
        {"exactly the size", 8192, 8192, 8192, 2.0, 2.0, 1.0, std::nullopt, 4096},
        {"no time yet", 0, 8192, 0, 0.0, 0.0, 0.0, std::nullopt, 0},
        {"too soon for a rate", 128, 8192, 128, 0.2, 0.2, 128.0 / 8192, std::nullopt, 0},
        {"a clock that went back", 128, 0, 128, -1.0, -1.0, std::nullopt, std::nullopt, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const TransferFigures f = TransferFigures::compute(c.bytes, c.total, c.moved, c.rateSeconds, c.elapsed);
        EXPECT_EQ(f.fraction.has_value(), c.fraction.has_value());
        if (f.fraction && c.fraction)
            EXPECT_DOUBLE_EQ(*f.fraction, *c.fraction);
        EXPECT_EQ(f.secondsLeft.has_value(), c.left.has_value());
        if (f.secondsLeft && c.left)
            EXPECT_DOUBLE_EQ(*f.secondsLeft, *c.left);
        EXPECT_DOUBLE_EQ(f.bytesPerSecond, c.rate);
        EXPECT_GE(f.elapsedSeconds, 0.0);
    }
    EXPECT_EQ(minutesSeconds(65.4), "1:05");
    EXPECT_EQ(minutesSeconds(-3), "0:00");
    EXPECT_EQ(kilobytesPerSecond(3788.8), "3.7 KB/s");
}

TEST(TransferEstimate, TheRateCountsFromTheFirstBlockAndTheEndHasTheRealSize)
{
    FakeWorld world;
    FakeClock clock(world);
    TransferEstimate estimate(clock, 4096);
    world.now += 5000;  // the peer takes its time to start: elapsed, but no part of the rate
    estimate.update(128);
    world.now += 1000;
    estimate.update(1152);
    TransferFigures f = estimate.figures();
    EXPECT_DOUBLE_EQ(f.elapsedSeconds, 6.0);
    EXPECT_DOUBLE_EQ(f.bytesPerSecond, 1024.0);
    ASSERT_TRUE(f.secondsLeft);
    EXPECT_DOUBLE_EQ(*f.secondsLeft, (4096.0 - 1152.0) / 1024.0);
    EXPECT_FALSE(f.finished);

    // A shorter file than expected ends full, with nothing left.
    f = estimate.finish(true);
    EXPECT_TRUE(f.finished);
    EXPECT_EQ(f.total, 1152);
    EXPECT_DOUBLE_EQ(*f.fraction, 1.0);
    EXPECT_FALSE(f.secondsLeft);

    // A stopped one keeps what it expected.
    TransferEstimate stopped(clock, 4096);
    stopped.update(256);
    EXPECT_EQ(stopped.finish(false).total, 4096);
}
