#include "unix_time.h"

namespace {

constexpr unsigned long long kTicks1601To1970 = 116444736000000000ULL;  // in 100 ns

}  // namespace

unsigned long long FileTimeToMicroseconds1970(const FILETIME& time)
{
    ULARGE_INTEGER ticks;
    ticks.LowPart = time.dwLowDateTime;
    ticks.HighPart = time.dwHighDateTime;
    if (ticks.QuadPart < kTicks1601To1970)
        return 0;
    return (ticks.QuadPart - kTicks1601To1970) / 10;
}

unsigned long long MicrosecondsSince1970()
{
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return FileTimeToMicroseconds1970(now);
}
