// The memory plug-in's result records.
//
// RESULT_MEMORY (47), one per memory test and pass:
//   UI32: 47, test id, location id, status; I64: time stamp;
//   D64: free_phys, total_phys, free_page, total_page, buffered, cached, free_virt, total_virt
//        (MB, -1 where not measured); text.
// RESULT_LOAD_AVERAGE (66), one per measured load-average test and pass:
//   UI32: 66, test id, location id, status; I64: time stamp; D64: lav1, lav5, lav15; text.
#pragma once

#include <string>

#include "com_bstr.h"
#include "mem_figures.h"
#include "mem_verdict.h"

bool BuildMemoryRecord(int tid, int lid, const MemFigures& figures, const MemVerdict& verdict,
                       CComBSTR* bytes);
bool BuildLoadAverageRecord(int tid, int lid, const LoadFigures& figures, const MemVerdict& verdict,
                            CComBSTR* bytes);
