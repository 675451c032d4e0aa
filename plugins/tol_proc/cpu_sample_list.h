// CCpuSampleList: the last CPU reading of every process measured, and processor usage as the
// change between two readings of one process. No platform calls: the readings come in.
//
// Usage = CPU time used / wall time / logical processors × 100, so that a process keeping
// every processor busy reads 100 %. The wall time is taken from the hour, minute, second and
// millisecond of the two UTC times alone; a pass across midnight UTC reads a negative wall
// time, and a zero or negative wall time reads 0 %. A usage above 100 % (a wall time of a few
// clock ticks, whose steps the process's CPU time does not share) reads 100 %.
//
// A process id that comes back as another process (a different creation time, or CPU time
// that went backwards) counts as a process seen for the first time: 0 %, new sample.
#pragma once

#include <windows.h>

#include <cstdint>
#include <unordered_map>

struct CpuReading {
    SYSTEMTIME at{};       // system time (UTC) of the reading
    uint32_t cpuMs = 0;    // kernel + user time in milliseconds, modulo 2^32
    uint64_t created = 0;  // creation time of the process (100-ns units)
};

// Milliseconds from `from` to `to`, from their time-of-day fields only.
int64_t WallMs(const SYSTEMTIME& from, const SYSTEMTIME& to);

// Percent of `processors` processors used by `cpuMs` of CPU time during `wallMs`.
double CpuUsage(uint32_t cpuMs, int64_t wallMs, unsigned processors);

class CCpuSampleList {
public:
    // The usage since the process's last sample (0 on first sight); the reading becomes its
    // sample.
    double Sample(DWORD pid, const CpuReading& reading, unsigned processors);

    // Removes the samples last refreshed two or more hours (of the clock, UTC) before `now`.
    void Purge(const SYSTEMTIME& now);

    void Clear() { m_samples.clear(); }
    size_t Size() const { return m_samples.size(); }
    bool Has(DWORD pid) const { return m_samples.count(pid) != 0; }

private:
    std::unordered_map<DWORD, CpuReading> m_samples;
};
