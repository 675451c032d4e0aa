// Measuring the local computer's memory: the system's memory status, read once per check pass.
// Tests give the worker a meter of their own.
#pragma once

#include <windows.h>

#include "mem_figures.h"

class IMemMeter {
public:
    virtual ~IMemMeter() = default;
    // False when the system's memory status cannot be read.
    virtual bool ReadLocal(MemFigures* local) = 0;
};

// GlobalMemoryStatusEx.
IMemMeter& SystemMemMeter();

// The local figures of a memory status: physical, page-file and virtual totals and what is
// available of them, in MB; buffered and cached memory have no local source and stay -1.
MemFigures LocalFiguresOf(const MEMORYSTATUSEX& status);
