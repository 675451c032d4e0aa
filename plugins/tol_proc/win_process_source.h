// CWinProcessSource: processes as Windows reports them (Tool Help snapshots, OpenProcess,
// process times, memory counters). Holds no state: any thread may call it.
#pragma once

#include "process_source.h"

class CWinProcessSource : public CProcessSource {
public:
    bool Snapshot(std::vector<ProcessEntry>* out) override;
    bool ReadProcess(DWORD pid, bool withMemory, ProcessReading* out) override;
    SYSTEMTIME Now() override;
    unsigned ProcessorCount() override;
};
