#include "wall_stamp.h"

#include <windows.h>

namespace {

constexpr int64_t kTicksPerMillisecond = 10000;           // FILETIME counts 100 ns
constexpr int64_t kEpochDifferenceSeconds = 11644473600;  // 1601 to 1970

}  // namespace

WallStamp TakeWallStamp()
{
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    int64_t ticks = (static_cast<int64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    int64_t ms = ticks / kTicksPerMillisecond;
    WallStamp stamp;
    stamp.seconds = ms / 1000 - kEpochDifferenceSeconds;
    stamp.milliseconds = static_cast<unsigned int>(ms % 1000);
    return stamp;
}

int64_t MillisecondsBetween(const WallStamp* start, const WallStamp* end)
{
    if (!start)
        return 0;
    WallStamp now;
    if (!end) {
        now = TakeWallStamp();
        end = &now;
    }
    int32_t seconds = static_cast<int32_t>(static_cast<uint32_t>(end->seconds) -
                                           static_cast<uint32_t>(start->seconds));
    return static_cast<int64_t>(seconds) * 1000 + static_cast<int64_t>(end->milliseconds) -
           static_cast<int64_t>(start->milliseconds);
}
