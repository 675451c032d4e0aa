#include "cpu_sample_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake_process_source.h"

namespace {

SYSTEMTIME At(int hour, int minute, int second, int ms, int day = 5)
{
    return ClockTime(hour, minute, second, ms, day);
}

CpuReading Reading(const SYSTEMTIME& at, uint32_t cpuMs, uint64_t created = 7)
{
    CpuReading reading;
    reading.at = at;
    reading.cpuMs = cpuMs;
    reading.created = created;
    return reading;
}

TEST(CpuSample, WallTimeFromTheTimeOfDayFields)
{
    EXPECT_EQ(0, WallMs(At(10, 0, 0, 0), At(10, 0, 0, 0)));
    EXPECT_EQ(1500, WallMs(At(10, 0, 59, 750), At(10, 1, 1, 250)));
    EXPECT_EQ(3600000 + 1, WallMs(At(9, 59, 59, 999), At(11, 0, 0, 0)));
    // The date is not part of it: midnight reads backwards.
    EXPECT_EQ(-(23 * 3600000 + 59 * 60000) + 60000, WallMs(At(23, 59, 0, 0), At(0, 1, 0, 0, 6)));
}

// One process sampled pass after pass: (CPU time, clock) in, usage out.
TEST(CpuSample, UsageAcrossPasses)
{
    struct Step {
        SYSTEMTIME at;
        uint32_t cpuMs;
        uint64_t created;
        double usage;
    };
    struct {
        const char* name;
        unsigned processors;
        std::vector<Step> steps;
    } const cases[] = {
        {"one core, first sight reads 0",
         1,
         {{At(10, 0, 0, 0), 5000, 7, 0},
          {At(10, 0, 10, 0), 7500, 7, 25},
          {At(10, 0, 20, 0), 7500, 7, 0},
          {At(10, 0, 30, 0), 17500, 7, 100}}},
        {"two cores busy on four processors read 50",
         4,
         {{At(10, 0, 0, 0), 0, 7, 0},
          {At(10, 5, 0, 0), 600000, 7, 50},
          {At(10, 10, 0, 0), 1800000, 7, 100}}},
        {"one core of eight", 8, {{At(10, 0, 0, 0), 100, 7, 0}, {At(10, 0, 8, 0), 8100, 7, 12.5}}},
        {"a few clock ticks after the first sight read at most 100",
         2,
         {{At(10, 0, 0, 0), 1000, 7, 0},
          {At(10, 0, 0, 16), 1078, 7, 100},
          {At(10, 0, 0, 31), 1109, 7, 100},
          {At(10, 0, 10, 31), 11109, 7, 50}}},
        {"no wall time reads 0",
         2,
         {{At(10, 0, 0, 0), 100, 7, 0},
          {At(10, 0, 0, 0), 900, 7, 0},
          {At(10, 0, 1, 0), 1900, 7, 50}}},
        {"a pass across midnight UTC reads 0, the next one counts again",
         1,
         {{At(23, 59, 50, 0), 1000, 7, 0},
          {At(0, 0, 10, 0), 6000, 7, 0},
          {At(0, 0, 30, 0), 11000, 7, 25}}},
        {"the millisecond counter wraps round 2^32",
         1,
         {{At(10, 0, 0, 0), 0xFFFFF000u, 7, 0}, {At(10, 0, 10, 0), 0x00000E10u, 7, 76.96}}},
        {"the pid comes back as a younger process: first sight again",
         2,
         {{At(10, 0, 0, 0), 90000, 7, 0},
          {At(10, 0, 10, 0), 100000, 7, 50},
          {At(10, 0, 20, 0), 500, 9, 0},
          {At(10, 0, 30, 0), 10500, 9, 50}}},
        {"CPU time going backwards under one creation time: first sight again",
         1,
         {{At(10, 0, 0, 0), 90000, 7, 0},
          {At(10, 0, 10, 0), 2000, 7, 0},
          {At(10, 0, 20, 0), 4000, 7, 20}}},
        {"the pid comes back with more CPU time than before",
         1,
         {{At(10, 0, 0, 0), 1000, 7, 0},
          {At(10, 0, 10, 0), 900000, 8, 0},
          {At(10, 0, 20, 0), 901000, 8, 10}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CCpuSampleList samples;
        for (size_t i = 0; i < c.steps.size(); ++i) {
            const Step& step = c.steps[i];
            EXPECT_NEAR(
                step.usage,
                samples.Sample(44, Reading(step.at, step.cpuMs, step.created), c.processors), 0.01)
                << "pass " << i;
        }
        EXPECT_EQ(1u, samples.Size());
    }
}

TEST(CpuSample, ProcessesKeepSamplesOfTheirOwn)
{
    CCpuSampleList samples;
    samples.Sample(1, Reading(At(10, 0, 0, 0), 0), 1);
    samples.Sample(2, Reading(At(10, 0, 0, 0), 50000), 1);
    EXPECT_NEAR(10, samples.Sample(1, Reading(At(10, 0, 10, 0), 1000), 1), 1e-9);
    EXPECT_NEAR(60, samples.Sample(2, Reading(At(10, 0, 10, 0), 56000), 1), 1e-9);
}

TEST(CpuSample, NoProcessorCountCountsAsOne)
{
    EXPECT_DOUBLE_EQ(50, CpuUsage(500, 1000, 0));
    EXPECT_DOUBLE_EQ(0, CpuUsage(500, -1000, 4));
}

TEST(CpuSample, PurgeDropsSamplesTwoClockHoursOld)
{
    struct {
        int storedHour;
        int nowHour;
        bool kept;
    } const cases[] = {
        {10, 10, true},
        {10, 11, true},
        {10, 12, false},
        {3, 20, false},
        // Across midnight the clock hours still count.
        {23, 0, true},
        {23, 1, false},
        {22, 0, false},
        {22, 23, true},
    };
    for (const auto& c : cases) {
        CCpuSampleList samples;
        samples.Sample(5, Reading(At(c.storedHour, 59, 59, 999), 1), 1);
        samples.Purge(At(c.nowHour, 0, 0, 0));
        EXPECT_EQ(c.kept, samples.Has(5)) << c.storedHour << " at " << c.nowHour;
    }
}

}  // namespace
