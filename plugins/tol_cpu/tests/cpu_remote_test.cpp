// Remote processor usage from the UCD raw counters and from the host-resources load column.
#include "cpu_remote.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const unsigned int C = kSnmpCodeCounter32;

TEST(CpuRemote, SharesOfTheUcdCountersSum)
{
    CpuFigures f;
    // user, nice, system, idle, wait, kernel, interrupt
    ASSERT_EQ(0u, FiguresFromUcdCounters({"300", "100", "200", "350", "50", "0", "0"},
                                         {C, C, C, C, C, C, C}, &f));
    EXPECT_DOUBLE_EQ(30, f.cpu_usage);
    EXPECT_DOUBLE_EQ(0, f.krn_usage);
    EXPECT_DOUBLE_EQ(10, f.nice);
    EXPECT_DOUBLE_EQ(35, f.idle);
    EXPECT_DOUBLE_EQ(5, f.iowait);

    // Counters near the top of their 32 bits add up without overflow.
    ASSERT_EQ(0u, FiguresFromUcdCounters({"4294967295", "0", "0", "4294967295", "0", "0", "0"},
                                         {C, C, C, C, C, C, C}, &f));
    EXPECT_DOUBLE_EQ(50, f.cpu_usage);
}

TEST(CpuRemote, UcdAnswersThatGiveNoFigures)
{
    const struct {
        const char* name;
        std::vector<std::string> values;
        std::vector<unsigned int> syntax;
    } cases[] = {
        {"all zero: the agent has not counted yet",
         {"0", "0", "0", "0", "0", "0", "0"},
         {C, C, C, C, C, C, C}},
        {"six values", {"1", "1", "1", "1", "1", "1"}, {C, C, C, C, C, C}},
        {"a gauge among them", {"1", "1", "1", "1", "1", "1", "1"}, {C, C, C, 13, C, C, C}},
        {"no such object",
         {"1", "1", "1", "1", "1", "1", "no such object"},
         {C, C, C, C, C, C, 20}},
        {"nothing", {}, {}},
    };
    for (const auto& c : cases) {
        CpuFigures f;
        EXPECT_EQ(10u, FiguresFromUcdCounters(c.values, c.syntax, &f)) << c.name;
        EXPECT_EQ(-1.0, f.cpu_usage) << c.name;
        EXPECT_EQ(-1.0, f.idle) << c.name;
    }
}

TEST(CpuRemote, ProcessorLoadsAverageOverTheRows)
{
    auto row = [](const char* value, unsigned int syntax = kSnmpCodeInteger) {
        return SnmpRow{"1.3.6.1.2.1.25.3.3.1.2.196608", syntax, value};
    };
    CpuFigures f;
    ASSERT_EQ(0u, FiguresFromProcessorLoads({row("10"), row("20"), row("60")}, &f));
    EXPECT_DOUBLE_EQ(30, f.cpu_usage);
    EXPECT_EQ(-1.0, f.krn_usage);
    EXPECT_EQ(-1.0, f.idle);
    ASSERT_EQ(0u, FiguresFromProcessorLoads({row("90"), row("x", kSnmpCodeOctets)}, &f));
    EXPECT_DOUBLE_EQ(45, f.cpu_usage);  // every row counts in the average

    CpuFigures none;
    EXPECT_EQ(10u, FiguresFromProcessorLoads({}, &none));
    EXPECT_EQ(-1.0, none.cpu_usage);
}

TEST(CpuRemote, LinuxInAnyCapitals)
{
    for (const char* system : {"linux", "Linux", "LINUX", "lInUx"})
        EXPECT_TRUE(IsLinuxSystem(system)) << system;
    for (const char* system : {"", "linux ", "linux2", "windows", "lin"})
        EXPECT_FALSE(IsLinuxSystem(system)) << system;
    EXPECT_EQ(7u, UcdRawCounterOids().size());
}

}  // namespace
