// JudgeProcess: the status and text of one process's result from its measured figures, the
// test's limits and the test's alarm state, which it updates. No platform calls.
//
// A limit that is set (not -1) fails when it is at most the measured figure. A failing limit
// adds its text and sets its alarm bit; when none fails, each alarm bit still set takes its
// announcement back once ("... within acceptable limits.", "The process has been started.")
// and the alarm state clears.
#pragma once

#include <string>

#include "proc_test_def.h"

struct ProcFigures {
    double cpu = 0;  // percent
    double wss = 0;  // working set, megabytes
    double pfs = 0;  // page-file usage, megabytes
};

// Result status values.
constexpr unsigned int kProcStatusOk = 0;
constexpr unsigned int kProcStatusLimitFailed = 2;
constexpr unsigned int kProcStatusNotRunning = 3;

struct ProcVerdict {
    unsigned int status = kProcStatusOk;
    std::string text;  // empty: nothing to say
};

ProcVerdict JudgeProcess(const ProcLimits& limits, const ProcFigures& figures, unsigned int* alarm);

// No process of the test's name runs: status 3, and the alarm state remembers it.
ProcVerdict JudgeNotRunning(unsigned int* alarm);
