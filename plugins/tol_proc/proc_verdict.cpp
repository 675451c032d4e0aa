#include "proc_verdict.h"

#include "format_text.h"

namespace {

constexpr int kNoLimit = -1;

struct LimitCheck {
    int limit;
    double value;
    unsigned int bit;
    const char* failed;     // printf format: value, limit
    const char* recovered;  // when the alarm bit is taken back
};

bool Fails(int limit, double value)
{
    return limit != kNoLimit && limit <= value;
}

}  // namespace

ProcVerdict JudgeProcess(const ProcLimits& limits, const ProcFigures& figures, unsigned int* alarm)
{
    const LimitCheck checks[] = {
        {limits.maxCpu, figures.cpu, kAlarmCpu, "Current CPU usage: %.2f%% / Max value: %u\n",
         "Current CPU usage is within acceptable limits.\n"},
        {limits.maxWss, figures.wss, kAlarmWorkingSet,
         "Current Working set size: %.2f MB / Max value: %u\n",
         "Current Working set size is within acceptable limits.\n"},
        {limits.maxPfs, figures.pfs, kAlarmPageFile,
         "Current Page file usage: %.2f MB / Max value: %u\n",
         "Current Page file usage is within acceptable limits.\n"},
    };
    ProcVerdict verdict;
    unsigned int failed = 0;
    for (const LimitCheck& check : checks) {
        if (!Fails(check.limit, check.value))
            continue;
        verdict.text += FormatText(check.failed, check.value, static_cast<unsigned>(check.limit));
        failed |= check.bit;
    }
    if (failed) {
        verdict.status = kProcStatusLimitFailed;
        *alarm |= failed;
        return verdict;
    }
    if (*alarm & kAlarmNotRunning)
        verdict.text += "The process has been started.\n";
    for (const LimitCheck& check : checks)
        if (*alarm & check.bit)
            verdict.text += check.recovered;
    *alarm = 0;
    return verdict;
}

ProcVerdict JudgeNotRunning(unsigned int* alarm)
{
    *alarm |= kAlarmNotRunning;
    ProcVerdict verdict;
    verdict.status = kProcStatusNotRunning;
    verdict.text = "The process is not running";
    return verdict;
}
