// The process plug-in's result records, appended to a byte text.
//
// RESULT_PROCESS (43), one per process and pass:
//   UI32: 43, test id, location id, process id, status; I64: time stamp;
//   D64: CPU usage %, working set MB, page-file usage MB; text (empty: "N/A").
// RESULT_PROCESS_LIST (42), one per Get:
//   UI32: 42, 0, 0; I64: time stamp; text: the program names, each followed by a TAB.
#pragma once

#include <windows.h>

#include <string>

#include "proc_verdict.h"

class CMonResult2;

// `record` is a RESULT_PROCESS record made by CreateProcessRecord, reused from one process
// to the next.
bool CreateProcessRecord(CMonResult2* record);
bool AppendProcessRecord(CMonResult2* record, int tid, int lid, DWORD pid,
                         const ProcFigures& figures, const ProcVerdict& verdict, std::string* out);

bool AppendProcessListRecord(const std::string& utf8Names, std::string* out);
