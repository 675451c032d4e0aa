// One processor-usage test, as its test lines define it. Limits are percentages; a limit of
// exactly -1 is not set, any other number is a limit.
#pragma once

#include <string>

constexpr double kCpuLimitNotSet = -1.0;

struct CpuTest {
    std::string hostAddr;  // empty: the local host
    std::string system;    // the remote system's kind; "linux" (any case) reads the UCD counters
    int tid = 0;           // 1 or more
    int lid = 0;
    double user_max = kCpuLimitNotSet;    // processor usage
    double kernel_max = kCpuLimitNotSet;  // kernel share
    double nice_max = kCpuLimitNotSet;    // nice share (remote "linux" only)
    double idle_min = kCpuLimitNotSet;    // idle share, a minimum (remote "linux" only)
    double iowait_max = kCpuLimitNotSet;  // I/O-wait share (remote "linux" only)
};
