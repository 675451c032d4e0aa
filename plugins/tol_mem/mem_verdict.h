// Judging a memory or load-average test: its status and text as a pure function of the
// measured figures.
#pragma once

#include <string>

#include "mem_figures.h"
#include "mem_test_def.h"

struct MemVerdict {
    unsigned int status = 0;
    std::string text;
};

// The values line, logged for every memory test and the text of one that could not be measured:
// "tol_mem: tid: %d, lid: %d, total_phys: %.2f, free_phys: %.2f, ...".
std::string MemValuesLine(const MemTest& test, const MemFigures& figures);

// `measured` is the status of the measuring: 0, or 10 to 13 for a remote test that gave no
// figures (then the text is the values line and no limit is tested). Minimums fail at or below
// their limit, the buffered and cached maximums at or above it; a limit of -1 or a figure of
// -1 is not tested.
MemVerdict JudgeMemory(const MemTest& test, const MemFigures& figures, unsigned int measured);

// Each limit that is set fails when strictly below its load average.
MemVerdict JudgeLoad(const LoadAvgTest& test, const LoadFigures& figures);
