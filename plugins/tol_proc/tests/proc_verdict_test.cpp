#include "proc_verdict.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const char kCpuFailed[] = "Current CPU usage: 75.50% / Max value: 50\n";
const char kWssFailed[] = "Current Working set size: 120.00 MB / Max value: 100\n";
const char kPfsFailed[] = "Current Page file usage: 30.25 MB / Max value: 30\n";
const char kStarted[] = "The process has been started.\n";
const char kCpuBack[] = "Current CPU usage is within acceptable limits.\n";
const char kWssBack[] = "Current Working set size is within acceptable limits.\n";
const char kPfsBack[] = "Current Page file usage is within acceptable limits.\n";

ProcLimits Limits(int cpu, int wss, int pfs)
{
    ProcLimits limits;
    limits.maxCpu = cpu;
    limits.maxWss = wss;
    limits.maxPfs = pfs;
    return limits;
}

ProcFigures Figures(double cpu, double wss, double pfs)
{
    ProcFigures figures;
    figures.cpu = cpu;
    figures.wss = wss;
    figures.pfs = pfs;
    return figures;
}

TEST(ProcVerdict, LimitsAgainstFigures)
{
    struct {
        ProcLimits limits;
        ProcFigures figures;
        unsigned status;
        std::string text;
        unsigned alarm;
    } const cases[] = {
        {Limits(-1, -1, -1), Figures(99, 5000, 5000), 0, "", 0},
        {Limits(50, 100, 30), Figures(75.5, 120, 30.25), 2,
         std::string(kCpuFailed) + kWssFailed + kPfsFailed, 14},
        {Limits(50, -1, -1), Figures(75.5, 1, 1), 2, kCpuFailed, 2},
        // An equal figure fails; a limit of 0 fails for any process.
        {Limits(-1, 64, -1), Figures(0, 64, 0), 2,
         "Current Working set size: 64.00 MB / Max value: 64\n", 4},
        {Limits(0, -1, -1), Figures(0, 0, 0), 2, "Current CPU usage: 0.00% / Max value: 0\n", 2},
        {Limits(10, 64, 32), Figures(9.99, 63.99, 31.99), 0, "", 0},
        // Any other negative limit fails as well; its text shows it unsigned.
        {Limits(-1, -1, -2), Figures(0, 0, 1), 2,
         "Current Page file usage: 1.00 MB / Max value: 4294967294\n", 8},
    };
    for (const auto& c : cases) {
        unsigned alarm = 0;
        ProcVerdict verdict = JudgeProcess(c.limits, c.figures, &alarm);
        EXPECT_EQ(c.status, verdict.status) << c.text;
        EXPECT_EQ(c.text, verdict.text);
        EXPECT_EQ(c.alarm, alarm) << c.text;
    }
}

// A test's alarm state across its results: announcements are taken back once.
TEST(ProcVerdict, AlarmStateAcrossResults)
{
    const ProcLimits limits = Limits(50, 100, 30);
    struct Step {
        bool running;
        ProcFigures figures;
        unsigned status;
        std::string text;
        unsigned alarm;
    };
    const std::vector<Step> steps = {
        {true, Figures(75.5, 1, 1), 2, kCpuFailed, 2},
        {true, Figures(1, 120, 1), 2, kWssFailed, 6},
        {true, Figures(1, 1, 1), 0, std::string(kCpuBack) + kWssBack, 0},
        {true, Figures(1, 1, 1), 0, "", 0},
        {false, ProcFigures(), 3, "The process is not running", 1},
        {false, ProcFigures(), 3, "The process is not running", 1},
        // Back, but over a limit at once: the start is announced with the recovery.
        {true, Figures(1, 1, 30.25), 2, kPfsFailed, 9},
        {true, Figures(1, 1, 1), 0, std::string(kStarted) + kPfsBack, 0},
        {false, ProcFigures(), 3, "The process is not running", 1},
        {true, Figures(1, 1, 1), 0, kStarted, 0},
    };
    unsigned alarm = 0;
    for (size_t i = 0; i < steps.size(); ++i) {
        const Step& step = steps[i];
        ProcVerdict verdict =
            step.running ? JudgeProcess(limits, step.figures, &alarm) : JudgeNotRunning(&alarm);
        EXPECT_EQ(step.status, verdict.status) << "step " << i;
        EXPECT_EQ(step.text, verdict.text) << "step " << i;
        EXPECT_EQ(step.alarm, alarm) << "step " << i;
    }
}

}  // namespace
