// The processor plug-in's result record.
//
// RESULT_CPU (44), one per test and pass:
//   UI32: 44, test id, location id, status; I64: time stamp;
//   D64: cpu_usage, krn_usage, nice, idle, iowait (percent, -1 where not measured); text;
//   a local test's record carries one nested record per logical processor, in order:
//     UI32: status; D64: usage, kernel usage, 0, 0, 0; text.
#pragma once

#include <vector>

#include "com_bstr.h"
#include "cpu_figures.h"
#include "cpu_usage.h"
#include "cpu_verdict.h"

struct ProcessorResult {
    CpuUsage usage;
    CpuVerdict verdict;
};

bool BuildCpuRecord(int tid, int lid, const CpuFigures& figures, const CpuVerdict& verdict,
                    const std::vector<ProcessorResult>& processors, CComBSTR* bytes);
