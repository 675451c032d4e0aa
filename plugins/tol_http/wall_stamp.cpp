#include "wall_stamp.h"

#include "unix_time.h"

WallStamp TakeWallStamp()
{
    unsigned long long ms = MicrosecondsSince1970() / 1000;
    WallStamp stamp;
    stamp.seconds = static_cast<int64_t>(ms / 1000);
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
