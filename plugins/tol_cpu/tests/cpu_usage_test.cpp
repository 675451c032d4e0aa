// Processor usage from pairs of sampled counters, and the sampler that keeps the baselines.
#include "cpu_sampler.h"
#include "cpu_usage.h"
#include "cpu_times_sample.h"

#include <gtest/gtest.h>

#include <deque>
#include <vector>

namespace {

TEST(CpuUsage, PercentagesOfTheIntervalBetweenTwoReadings)
{
    const uint64_t top = ~0ull;
    const struct {
        const char* name;
        CpuTimes before, after;
        double usage, kernel;
    } cases[] = {
        {"idle", Times(100, 100, 0), Times(1100, 1100, 0), 0, 0},
        {"half busy in user mode", Times(0, 0, 0), Times(50, 50, 50), 50, 0},
        {"a little user work on an idle host", Times(0, 0, 0), Times(90, 90, 10), 10, 0},
        {"busy in kernel mode", Times(0, 0, 0), Times(0, 100, 0), 100, 100},
        {"a quarter each", Times(10, 20, 30), Times(35, 95, 55), 75, 50},
        {"no time passed", Times(7, 9, 11), Times(7, 9, 11), 0, 0},
        {"counters that wrapped", Times(top - 99, top - 99, top - 49), Times(100, 100, 150), 50, 0},
        {"counters that went back", Times(500, 500, 500), Times(400, 400, 400), 0, 0},
        {"idle beyond kernel (held to 0)", Times(0, 0, 0), Times(80, 60, 40), 20, 0},
    };
    for (const auto& c : cases) {
        CpuUsage usage = UsageBetween(c.before, c.after);
        EXPECT_DOUBLE_EQ(c.usage, usage.usage) << c.name;
        EXPECT_DOUBLE_EQ(c.kernel, usage.kernel) << c.name;
    }
}

// Processor count and readings from a script; each reading pops the next entry.
class ScriptedCounters : public ICpuCounters {
public:
    int ProcessorCount() override { return count; }
    bool ProcessorTimes(int n, std::vector<CpuTimes>* times) override
    {
        EXPECT_EQ(count, n);
        if (perProcessor.empty())
            return false;
        std::vector<CpuTimes> next = perProcessor.front();
        perProcessor.pop_front();
        if (next.empty())
            return false;  // a failing reading
        *times = next;
        return true;
    }
    bool SystemTimes(CpuTimes* times) override
    {
        if (system.empty())
            return false;
        *times = system.front();
        system.pop_front();
        return true;
    }

    int count = 1;
    std::deque<std::vector<CpuTimes>> perProcessor;
    std::deque<CpuTimes> system;
};

TEST(CpuSampler, OneProcessorAndManyAgainstTheLastGoodReading)
{
    ScriptedCounters counters;
    counters.count = 3;
    counters.perProcessor = {
        {Times(0, 0, 0), Times(0, 0, 0), Times(0, 0, 0)},
        {Times(100, 100, 0), Times(0, 50, 50), Times(50, 50, 50)},
        {},  // the reading fails: the pass is skipped, the baselines stay
        {Times(200, 200, 0), Times(0, 100, 100), Times(150, 150, 50)},
    };
    counters.system = {Times(0, 0, 0), Times(150, 200, 100), Times(350, 450, 150)};
    CCpuSampler sampler(counters);
    ASSERT_TRUE(sampler.Init());
    EXPECT_EQ(3, sampler.ProcessorCount());

    CpuUsage system;
    std::vector<CpuUsage> processors;
    ASSERT_TRUE(sampler.Sample(&system, &processors));
    EXPECT_DOUBLE_EQ(50, system.usage);
    EXPECT_DOUBLE_EQ(50.0 / 3, system.kernel);
    ASSERT_EQ(3u, processors.size());
    EXPECT_DOUBLE_EQ(0, processors[0].usage);
    EXPECT_DOUBLE_EQ(100, processors[1].usage);
    EXPECT_DOUBLE_EQ(50, processors[1].kernel);
    EXPECT_DOUBLE_EQ(50, processors[2].usage);

    EXPECT_FALSE(sampler.Sample(&system, &processors));
    ASSERT_TRUE(sampler.Sample(&system, &processors));
    EXPECT_DOUBLE_EQ(0, processors[0].usage);
    EXPECT_DOUBLE_EQ(100, processors[1].usage);
    EXPECT_DOUBLE_EQ(0, processors[2].usage);  // 100 idle of 100
    EXPECT_DOUBLE_EQ(100.0 * 100 / 300, system.usage);
}

TEST(CpuSampler, OneProcessor)
{
    ScriptedCounters counters;
    counters.perProcessor = {{Times(10, 20, 30)}, {Times(40, 60, 50)}};
    counters.system = {Times(10, 20, 30), Times(40, 60, 50)};
    CCpuSampler sampler(counters);
    ASSERT_TRUE(sampler.Init());
    CpuUsage system;
    std::vector<CpuUsage> processors;
    ASSERT_TRUE(sampler.Sample(&system, &processors));
    ASSERT_EQ(1u, processors.size());
    EXPECT_DOUBLE_EQ(50, processors[0].usage);  // 30 idle of 60
    EXPECT_DOUBLE_EQ(50.0 / 3, processors[0].kernel);
    EXPECT_DOUBLE_EQ(processors[0].usage, system.usage);
}

TEST(CpuSampler, NotReadyWithoutProcessorsOrTimes)
{
    const struct {
        const char* name;
        int count;
        bool timesReadable, systemReadable;
    } cases[] = {
        {"no processor", 0, true, true},
        {"a count that reads negative", -2, true, true},
        {"processor times unreadable", 2, false, true},
        {"system times unreadable", 2, true, false},
    };
    for (const auto& c : cases) {
        ScriptedCounters counters;
        counters.count = c.count;
        if (c.timesReadable)
            counters.perProcessor = {std::vector<CpuTimes>(2), std::vector<CpuTimes>(2)};
        if (c.systemReadable)
            counters.system = {CpuTimes(), CpuTimes()};
        CCpuSampler sampler(counters);
        EXPECT_FALSE(sampler.Init()) << c.name;
        EXPECT_FALSE(sampler.Ready()) << c.name;
        CpuUsage system;
        std::vector<CpuUsage> processors;
        EXPECT_FALSE(sampler.Sample(&system, &processors)) << c.name;
    }
}

}  // namespace
