// Judging processor figures against a test's five limits, and each local processor.
#include "cpu_verdict.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace {

CpuTest Limits(double user, double kernel, double nice = -1, double idle = -1, double iowait = -1)
{
    CpuTest test;
    test.tid = 2;
    test.lid = 3;
    test.user_max = user;
    test.kernel_max = kernel;
    test.nice_max = nice;
    test.idle_min = idle;
    test.iowait_max = iowait;
    return test;
}

CpuFigures Figures(double usage, double kernel, double nice = -1, double idle = -1,
                   double iowait = -1)
{
    CpuFigures f;
    f.cpu_usage = usage;
    f.krn_usage = kernel;
    f.nice = nice;
    f.idle = idle;
    f.iowait = iowait;
    return f;
}

const char kWithin[] = "CPU usage is within acceptable limits\n";

TEST(CpuVerdict, LimitsFailAboveAndIdleBelow)
{
    const struct {
        const char* name;
        CpuTest test;
        CpuFigures figures;
        unsigned int status;
        std::string text;
    } cases[] = {
        {"equal to the limits", Limits(50, 10, 5, 20, 2), Figures(50, 10, 5, 20, 2), 0, kWithin},
        {"usage above", Limits(50, -1), Figures(50.4, 3), 2,
         "Current CPU Usage(%): 50 | Threshold set: 50\n"},
        {"rounded half up", Limits(49.5, -1), Figures(49.6, 3), 2,
         "Current CPU Usage(%): 50 | Threshold set: 50\n"},
        {"a limit of 0 is a limit", Limits(-1, 0), Figures(1, 0.01), 2,
         "Current Kernel CPU usage(%): 0 | Threshold set: 0\n"},
        {"-1 is no limit", Limits(-1, -1, -1, -1, -1), Figures(100, 100, 100, 0, 100), 0, kWithin},
        {"idle below its minimum", Limits(-1, -1, -1, 20), Figures(1, 1, 1, 19.4, 1), 2,
         "Current Idle CPU usage(%): 19 | Threshold set: 20\n"},
        {"all five fail in order", Limits(1, 1, 1, 90, 1), Figures(10, 20, 30, 40, 50), 2,
         "Current CPU Usage(%): 10 | Threshold set: 1\n"
         "Current Kernel CPU usage(%): 20 | Threshold set: 1\n"
         "Current Nice CPU usage(%): 30 | Threshold set: 1\n"
         "Current Idle CPU usage(%): 40 | Threshold set: 90\n"
         "Current IOWait CPU usage(%): 50 | Threshold set: 1\n"},
        {"unmeasured figures are not tested (local)", Limits(-1, -1, 0, 100, 0), Figures(5, 1), 0,
         kWithin},
        {"a negative limit other than -1", Limits(-0.5, -1), Figures(0, 0), 2,
         "Current CPU Usage(%): 0 | Threshold set: 0\n"},
    };
    for (const auto& c : cases) {
        CpuVerdict verdict = JudgeCpu(c.test, c.figures, 0);
        EXPECT_EQ(c.status, verdict.status) << c.name;
        EXPECT_EQ(c.text, verdict.text) << c.name;
    }
}

TEST(CpuVerdict, UnmeasuredRemoteTestTestsNothing)
{
    for (unsigned int status : {10u, 11u, 12u, 13u}) {
        CpuVerdict verdict = JudgeCpu(Limits(0, 0, 0, 100, 0), Figures(-1, -1, -1, -1, -1), status);
        EXPECT_EQ(status, verdict.status);
        EXPECT_EQ("", verdict.text);  // stored as "N/A"
    }
    EXPECT_EQ(
        "tol_cpu: tid: 2, lid: 3, cpu_usage: -1.00, krn_usage: -1.00, nice_max: -1.00, "
        "idle_min: -1.00, iowait_max: -1.00",
        CpuValuesLine(Limits(0, 0), Figures(-1, -1)));
}

TEST(CpuVerdict, EachProcessorAgainstUsageAndKernelLimits)
{
    CpuUsage busy;
    busy.usage = 97.5;
    busy.kernel = 12.25;
    CpuVerdict both = JudgeProcessor(Limits(90, 10), 3, busy);
    EXPECT_EQ(2u, both.status);
    EXPECT_EQ(
        "Current CPU3 usage(%): 98 | Threshold set: 90\n"
        "Current Kernel CPU3 usage(%): 12 | Threshold set: 10\n",
        both.text);
    CpuVerdict none = JudgeProcessor(Limits(-1, -1), 0, busy);
    EXPECT_EQ(0u, none.status);
    EXPECT_EQ("CPU0 usage is within acceptable limits\n", none.text);
    CpuVerdict equal = JudgeProcessor(Limits(97.5, 12.25), 11, busy);
    EXPECT_EQ(0u, equal.status);
    EXPECT_EQ("CPU11 usage is within acceptable limits\n", equal.text);
}

TEST(CpuVerdict, RoundingStaysWithinTheIntRange)
{
    EXPECT_EQ(50, RoundPercent(49.5));
    EXPECT_EQ(49, RoundPercent(49.49));
    EXPECT_EQ(0, RoundPercent(-0.7));  // toward zero after the half
    EXPECT_EQ(-1, RoundPercent(-1.6));
    EXPECT_EQ(INT_MAX, RoundPercent(1e18));
    EXPECT_EQ(INT_MIN, RoundPercent(-1e18));
}

}  // namespace
