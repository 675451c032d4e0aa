#include "ping_meter.h"

#include "ping.h"

namespace {

class CSystemPingMeter : public IPingMeter {
public:
    bool Ping(const char* host, unsigned int timeoutMs, int count, double* roundTrips,
              unsigned short dataSize, unsigned short identifier, HANDLE stop,
              DWORD* error) override
    {
        bool ran = ping_stoppable(host, timeoutMs, count, &roundTrips, dataSize, identifier, stop);
        *error = GetLastError();
        return ran;
    }
};

}  // namespace

IPingMeter& SystemPingMeter()
{
    static CSystemPingMeter meter;
    return meter;
}
