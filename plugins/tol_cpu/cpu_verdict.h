// Judging a processor-usage test: its status and text as a pure function of the measured
// figures, for the test and for each local processor.
#pragma once

#include <string>

#include "cpu_figures.h"
#include "cpu_test_def.h"
#include "cpu_usage.h"

struct CpuVerdict {
    unsigned int status = 0;
    std::string text;
};

// A percentage or limit as the texts show it: rounded half up, toward zero after that, and
// held within the int range.
int RoundPercent(double value);

// The log line of a test's measured figures.
std::string CpuValuesLine(const CpuTest& test, const CpuFigures& figures);

// `measured` is the status of the measuring: 0, or 10 to 13 for a remote test that gave no
// figures (then no limit is tested and the text stays empty). A set limit fails when the
// figure is above it (idle_min: below it); a figure of -1 is not tested.
CpuVerdict JudgeCpu(const CpuTest& test, const CpuFigures& figures, unsigned int measured);

// Processor `index` of a local test against the test's usage and kernel limits.
CpuVerdict JudgeProcessor(const CpuTest& test, unsigned int index, const CpuUsage& usage);
