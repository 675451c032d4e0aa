#include "event_log_test.h"

long long CurrentTime1970()
{
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER ticks;
    ticks.LowPart = now.dwLowDateTime;
    ticks.HighPart = now.dwHighDateTime;
    const unsigned long long kEpochTicks = 116444736000000000ULL;  // 1601 to 1970 in 100 ns
    return static_cast<long long>((ticks.QuadPart - kEpochTicks) / 10000000ULL);
}
