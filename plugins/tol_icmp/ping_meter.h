// IPingMeter: what the ping plug-in measures, and nothing else: one series of echo requests.
// The probes measure through the system's meter (SystemPingMeter, ping_meter.cpp: tol_utils'
// ping); tests give the checker a meter that plays back round-trip times of their own.
#pragma once

#include <windows.h>

class IPingMeter {
public:
    virtual ~IPingMeter() = default;

    // Sends `count` echo requests of `dataSize` bytes with `identifier` to `host` (null: none),
    // waiting up to `timeoutMs` for each reply, and writes one round-trip time in ms per
    // request into roundTrips[0..count) (0 for a lost request), ending early once `stop` is
    // signalled. False when the series could not run; *error then says why.
    virtual bool Ping(const char* host, unsigned int timeoutMs, int count, double* roundTrips,
                      unsigned short dataSize, unsigned short identifier, HANDLE stop,
                      DWORD* error) = 0;
};

// Lives as long as the module: probe threads may use it after the checker has gone.
IPingMeter& SystemPingMeter();
