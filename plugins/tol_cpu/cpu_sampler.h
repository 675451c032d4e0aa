// CCpuSampler: the local processors' usage between one check pass and the next. It keeps the
// last reading of the whole system and of each logical processor as the baselines that the
// next reading is compared with; the first reading after Init measures the interval since it.
// Used by the worker's thread alone (Init by the constructor).
#pragma once

#include <vector>

#include "cpu_counters.h"
#include "cpu_usage.h"

class CCpuSampler {
public:
    explicit CCpuSampler(ICpuCounters& counters) : m_counters(counters) {}

    // Reads the processor count once and the first baselines; false (not ready) when the
    // count or the times cannot be read.
    bool Init();
    bool Ready() const { return m_ready; }
    int ProcessorCount() const { return m_count; }

    // One reading: the whole system's usage and each processor's since the last reading, which
    // become the new baselines. False (baselines kept) when the times cannot be read.
    bool Sample(CpuUsage* system, std::vector<CpuUsage>* processors);

private:
    ICpuCounters& m_counters;
    bool m_ready = false;
    int m_count = 0;
    CpuTimes m_system;                   // slot 0: the whole system
    std::vector<CpuTimes> m_processors;  // slots 1..count: processor i at i - 1
};
