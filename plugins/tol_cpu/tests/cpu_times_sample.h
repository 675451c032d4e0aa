// Counter readings written out for the tests.
#pragma once

#include "cpu_usage.h"

inline CpuTimes Times(uint64_t idle, uint64_t kernel, uint64_t user)
{
    CpuTimes t;
    t.idle = idle;
    t.kernel = kernel;
    t.user = user;
    return t;
}
