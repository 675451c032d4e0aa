#include "disk_verdict.h"

#include <gtest/gtest.h>

namespace {

TEST(DiskVerdict, FreeSpaceAgainstTheMinimum)
{
    const struct {
        int minimum;
        double freeGb;
        unsigned int status;
        const char* text;
    } cases[] = {
        {10, 9.5, 2, "Drive: C free space: 9.50 / Min value: 10.\n"},
        {10, 10.0, 0, "Drive: C free space is within acceptable limits.\n"},
        {10, 9.999, 2, "Drive: C free space: 10.00 / Min value: 10.\n"},
        {1, 0.5, 2, "Drive: C free space: 0.50 / Min value: 1.\n"},
        {0, 0.0, 0, "Drive: C free space is within acceptable limits.\n"},  // 0 never fails
        {1000000, 75.25, 2, "Drive: C free space: 75.25 / Min value: 1000000.\n"},
    };
    for (const auto& c : cases) {
        DiskVerdict verdict = JudgeFreeSpace('C', c.minimum, 120.0, c.freeGb);
        EXPECT_EQ(c.status, verdict.status) << c.minimum << " " << c.freeGb;
        EXPECT_EQ(c.text, verdict.text) << c.minimum << " " << c.freeGb;
        EXPECT_EQ(c.freeGb, verdict.first);
        EXPECT_EQ(120.0, verdict.second);
    }
}

TEST(DiskVerdict, RatesAndFailureTexts)
{
    DiskVerdict rates = JudgeRates('d', 12, 3);
    EXPECT_EQ(0u, rates.status);
    EXPECT_EQ(12.0, rates.first);
    EXPECT_EQ(3.0, rates.second);
    EXPECT_EQ("Drive: d read/write is within acceptable limits.\n", rates.text);

    DiskVerdict missing = DriveNotFound('Q');
    EXPECT_EQ(3u, missing.status);
    EXPECT_EQ(0.0, missing.first);
    EXPECT_EQ(0.0, missing.second);
    EXPECT_EQ("Drive: Q not found.\n", missing.text);
}

TEST(DiskVerdict, CounterDeltaAndWrap)
{
    const struct {
        unsigned int last, current, delta;
    } cases[] = {
        {5, 10, 5},
        {10, 10, 0},
        {0xFFFFFFF0u, 0x10u, 0x1Fu},  // wrapped past 2^32: current - last - 1
        {0xFFFFFFFFu, 0u, 0u},
        {10, 5, 0xFFFFFFFAu},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.delta, CountDelta(c.last, c.current)) << c.last << " " << c.current;
}

TEST(DiskVerdict, RatePerSecondIsSignedAndTruncated)
{
    EXPECT_EQ(2, RatePerSecond(600, 300));
    EXPECT_EQ(1, RatePerSecond(599, 300));
    EXPECT_EQ(0, RatePerSecond(299, 300));
    EXPECT_EQ(-10, RatePerSecond(0u - 3000u, 300));  // read as signed, toward zero
    EXPECT_EQ(0, RatePerSecond(0u - 6u, 300));
    EXPECT_EQ(77, RatePerSecond(77, 0));
}

TEST(DiskVerdict, FirstSampleReportsZeroAndEverySampleBecomesTheLast)
{
    DiskTest test;
    test.minimumFree = kRateTestMinimum;
    RateSample first = TakeRateSample(&test, 1000, 500, 10);
    EXPECT_EQ(0, first.readRate);
    EXPECT_EQ(0, first.writeRate);
    EXPECT_EQ(1000u, first.lastReads);
    EXPECT_EQ(500u, first.lastWrites);

    RateSample second = TakeRateSample(&test, 1600, 800, 10);
    EXPECT_EQ(60, second.readRate);
    EXPECT_EQ(30, second.writeRate);
    EXPECT_EQ(1000u, second.lastReads);
    EXPECT_EQ(1600u, test.lastReads);
    EXPECT_EQ(800u, test.lastWrites);
}

}  // namespace
