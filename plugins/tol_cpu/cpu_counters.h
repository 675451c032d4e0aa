// Measuring the local processors: the system's processor time counters. Tests give the sampler
// counters of their own.
#pragma once

#include <vector>

#include "cpu_usage.h"

class ICpuCounters {
public:
    virtual ~ICpuCounters() = default;
    // The number of logical processors; 0 or less when it cannot be read.
    virtual int ProcessorCount() = 0;
    // Each processor's times, `count` of them; false when they cannot be read.
    virtual bool ProcessorTimes(int count, std::vector<CpuTimes>* times) = 0;
    // The whole system's times; false when they cannot be read.
    virtual bool SystemTimes(CpuTimes* times) = 0;
};

// NtQuerySystemInformation (looked up in ntdll.dll at run time) for the processor count (basic
// information) and the per-processor times (processor performance information), and
// GetSystemTimes for the whole system.
ICpuCounters& SystemCpuCounters();
