#include "image/gain.h"
#include "reference_demosaic.h"

#include <gtest/gtest.h>

TEST(GainFactor, IsTheNearestFloatToOnePlusGainPercent)
{
    EXPECT_EQ(gainFactor(0), 1.0f);
    EXPECT_EQ(double(gainFactor(10)), 1.10000002384185791015625);
    EXPECT_EQ(gainFactor(50), 1.5f);
    EXPECT_EQ(gainFactor(255), 3.55f);
    // Float arithmetic would be off by one unit for some gains: the factor must not follow it.
    int differing = 0;
    for (int g = 0; g < 256; ++g) {
        volatile float hundred = 100.0f;
        const float floatArithmetic = 1.0f + float(g) / hundred;
        differing += floatArithmetic != gainFactor(uint8_t(g));
    }
    EXPECT_EQ(differing, 39);
    EXPECT_NE(1.0f + 18 / 100.0f, gainFactor(18));
}

TEST(GainScaling, RoundsTheFloatProductHalfToEvenAndClamps)
{
    struct Case {
        uint8_t value, gain, expected;
    } cases[] = {
        {15, 10, 16},  // 16.5000004 is 16.5 as a float: the even 16
        {3, 50, 4},    // 4.5 -> 4
        {5, 50, 8},    // 7.5 -> 8
        {72, 255, 255}, // 255.6 -> clamped
        {71, 255, 252}, // 252.05
        {0, 255, 0},
        {255, 0, 255},
        {200, 100, 255},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(scaleByGain(c.value, gainFactor(c.gain)), c.expected) << int(c.value) << " gain " << int(c.gain);
        EXPECT_EQ(makeGainTable(c.gain)[c.value], c.expected);
    }
}

TEST(GainScaling, TablesMatchThePlainRuleForEveryGainAndValue)
{
    for (int g = 0; g < 256; ++g) {
        const GainTable t = makeGainTable(uint8_t(g));
        for (int v = 0; v < 256; ++v)
            ASSERT_EQ(t[v], referenceScale(uint8_t(v), uint8_t(g))) << v << " gain " << g;
    }
}

TEST(GainRemoval, DividesAndRoundsHalfToEven)
{
    EXPECT_EQ(unscaleByGain(5, gainFactor(100)), 2);  // 2.5
    EXPECT_EQ(unscaleByGain(7, gainFactor(100)), 4);  // 3.5
    EXPECT_EQ(unscaleByGain(255, gainFactor(0)), 255);
    EXPECT_EQ(unscaleByGain(16, gainFactor(10)), 15); // 14.545...
}
