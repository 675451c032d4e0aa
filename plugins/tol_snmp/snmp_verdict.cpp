#include "snmp_verdict.h"

const char* const kSnmpNewResults = "New results are available.\n";

namespace {

constexpr unsigned int kStatusOk = 0;
constexpr unsigned int kStatusFailed = 3;

}  // namespace

SnmpVerdict JudgeSnmp(const SnmpFigures& figures)
{
    SnmpVerdict verdict;
    verdict.success = figures.initialised && figures.sent && figures.waited && !figures.error;
    if (verdict.success) {
        verdict.elapsedMs = figures.elapsedMs;
        verdict.text = kSnmpNewResults;
        verdict.status = kStatusOk;
        verdict.fifth = figures.answered ? 1 : 0;
    } else {
        verdict.elapsedMs = 0.0;
        verdict.text = figures.error;
        verdict.status = kStatusFailed;
        verdict.fifth = figures.oidCount;
    }
    return verdict;
}
