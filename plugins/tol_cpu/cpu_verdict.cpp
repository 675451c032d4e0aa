#include "cpu_verdict.h"

#include <climits>

#include "format_text.h"
#include "snmp_queries.h"

namespace {

bool IsSet(double limit)
{
    return limit != kCpuLimitNotSet;
}

void Failed(CpuVerdict* verdict, const std::string& line)
{
    verdict->status = kStatusLimitExceeded;
    verdict->text += line;
}

}  // namespace

int RoundPercent(double value)
{
    double rounded = value + 0.5;
    if (!(rounded < static_cast<double>(INT_MAX)))  // NaN too
        return rounded != rounded ? 0 : INT_MAX;
    if (rounded <= static_cast<double>(INT_MIN))
        return INT_MIN;
    return static_cast<int>(rounded);
}

std::string CpuValuesLine(const CpuTest& test, const CpuFigures& f)
{
    return FormatText(
        "tol_cpu: tid: %d, lid: %d, cpu_usage: %.2f, krn_usage: %.2f, nice_max: %.2f, "
        "idle_min: %.2f, iowait_max: %.2f",
        test.tid, test.lid, f.cpu_usage, f.krn_usage, f.nice, f.idle, f.iowait);
}

CpuVerdict JudgeCpu(const CpuTest& test, const CpuFigures& f, unsigned int measured)
{
    CpuVerdict verdict;
    if (measured != kStatusWithinLimits) {
        verdict.status = measured;
        return verdict;
    }
    const struct {
        double limit, figure;
        bool below;  // a minimum
        const char* line;
    } checks[] = {
        {test.user_max, f.cpu_usage, false, "Current CPU Usage(%%): %d | Threshold set: %d\n"},
        {test.kernel_max, f.krn_usage, false,
         "Current Kernel CPU usage(%%): %d | Threshold set: %d\n"},
        {test.nice_max, f.nice, false, "Current Nice CPU usage(%%): %d | Threshold set: %d\n"},
        {test.idle_min, f.idle, true, "Current Idle CPU usage(%%): %d | Threshold set: %d\n"},
        {test.iowait_max, f.iowait, false,
         "Current IOWait CPU usage(%%): %d | Threshold set: %d\n"},
    };
    for (const auto& check : checks) {
        if (!IsSet(check.limit) || check.figure == kCpuNotMeasured)
            continue;
        if (check.below ? check.figure < check.limit : check.figure > check.limit)
            Failed(&verdict,
                   FormatText(check.line, RoundPercent(check.figure), RoundPercent(check.limit)));
    }
    if (verdict.status == kStatusWithinLimits)
        verdict.text = "CPU usage is within acceptable limits\n";
    return verdict;
}

CpuVerdict JudgeProcessor(const CpuTest& test, unsigned int index, const CpuUsage& usage)
{
    CpuVerdict verdict;
    if (IsSet(test.user_max) && usage.usage > test.user_max)
        Failed(&verdict, FormatText("Current CPU%u usage(%%): %d | Threshold set: %d\n", index,
                                    RoundPercent(usage.usage), RoundPercent(test.user_max)));
    if (IsSet(test.kernel_max) && usage.kernel > test.kernel_max)
        Failed(&verdict,
               FormatText("Current Kernel CPU%u usage(%%): %d | Threshold set: %d\n", index,
                          RoundPercent(usage.kernel), RoundPercent(test.kernel_max)));
    if (verdict.status == kStatusWithinLimits)
        verdict.text = FormatText("CPU%u usage is within acceptable limits\n", index);
    return verdict;
}
