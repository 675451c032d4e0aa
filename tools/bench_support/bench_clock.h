// CPU and wall clocks of a benchmark program under test (Windows calls): the process's CPU time,
// which counts every thread's work (an SNMP notification thread's too), and the performance
// counter.
#pragma once

#include <windows.h>

inline double FileTimeMs(const FILETIME& t)
{
    return static_cast<double>((static_cast<unsigned long long>(t.dwHighDateTime) << 32) |
                               t.dwLowDateTime) /
           10000.0;
}

// User and kernel time of every thread of this process so far, in milliseconds.
inline double ProcessCpuMs()
{
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user))
        return 0;
    return FileTimeMs(kernel) + FileTimeMs(user);
}

inline double WallMs()
{
    static const double frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart);
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) * 1000.0 / frequency;
}

// CPU and wall milliseconds per run of `work`, run `runs` times.
struct BenchCost {
    double cpuMs = 0;
    double wallMs = 0;
};

template <class Work>
BenchCost MeasureRuns(int runs, Work work)
{
    double cpu = ProcessCpuMs(), wall = WallMs();
    for (int i = 0; i < runs; ++i)
        work();
    BenchCost cost;
    cost.cpuMs = (ProcessCpuMs() - cpu) / runs;
    cost.wallMs = (WallMs() - wall) / runs;
    return cost;
}
