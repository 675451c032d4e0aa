// The five figures of one processor-usage test, percentages; -1 where not measured (a local
// test measures usage and kernel usage alone).
#pragma once

constexpr double kCpuNotMeasured = -1.0;

struct CpuFigures {
    double cpu_usage = kCpuNotMeasured;
    double krn_usage = kCpuNotMeasured;
    double nice = kCpuNotMeasured;
    double idle = kCpuNotMeasured;
    double iowait = kCpuNotMeasured;
};
