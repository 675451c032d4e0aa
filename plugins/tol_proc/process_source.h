// CProcessSource: what the process plug-in measures on its host, behind one interface so that
// the judging above it is a function of the figures it hands out. CWinProcessSource reads
// them from Windows; the tests feed their own.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "cpu_sample_list.h"

struct ProcessEntry {
    DWORD pid = 0;
    std::wstring name;  // executable file name, as the snapshot gives it
};

struct ProcessReading {
    bool haveCpu = false;  // the process times could be read
    CpuReading cpu;
    double wss = 0;  // working set, megabytes (0 when the counters cannot be read)
    double pfs = 0;  // page-file usage, megabytes
};

class CProcessSource {
public:
    virtual ~CProcessSource() = default;

    // The running processes in snapshot order; false when no snapshot could be taken.
    virtual bool Snapshot(std::vector<ProcessEntry>* out) = 0;

    // Opens the process and reads its CPU time (with the time of reading) and, when asked,
    // its memory counters; false when it cannot be opened (nothing read).
    virtual bool ReadProcess(DWORD pid, bool withMemory, ProcessReading* out) = 0;

    // The system time (UTC).
    virtual SYSTEMTIME Now() = 0;

    // Logical processors whose time a process's CPU time may add up.
    virtual unsigned ProcessorCount() = 0;
};
