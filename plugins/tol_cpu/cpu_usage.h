// Processor usage from two readings of a processor's (or the whole system's) time counters:
// pure arithmetic over sampled figures.
#pragma once

#include <cstdint>

// Times in 100-nanosecond units since start. Kernel time includes idle time, as the system
// counts it.
struct CpuTimes {
    uint64_t idle = 0;
    uint64_t kernel = 0;
    uint64_t user = 0;
};

// Percentages of the interval between two readings.
struct CpuUsage {
    double usage = 0;   // busy: (Δkernel + Δuser − Δidle) / (Δkernel + Δuser)
    double kernel = 0;  // busy in kernel mode: (Δkernel − Δidle) / (Δkernel + Δuser)
};

// Differences are taken modulo 2^64, so a counter that wrapped still gives its true step. No
// time passed (or counters that went back) gives 0 and 0; figures stay within 0..100.
CpuUsage UsageBetween(const CpuTimes& before, const CpuTimes& after);
