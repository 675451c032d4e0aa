// Wall-clock stamps of seconds and milliseconds, and the milliseconds between two of them.
#pragma once

#include <cstdint>

struct WallStamp {
    int64_t seconds = 0;  // since 1970 UTC
    unsigned int milliseconds = 0;
};

WallStamp TakeWallStamp();

// (end seconds - start seconds) x 1000 + end milliseconds - start milliseconds, on the low 32
// bits of the seconds. A null end means now; a null start gives 0.
int64_t MillisecondsBetween(const WallStamp* start, const WallStamp* end);
