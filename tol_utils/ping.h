// ping: a series of ICMP echo requests over a raw socket of its own.
//
// host: name or dotted address; timeout: milliseconds per probe; count: probes (1..65,535);
// roundTrips: points to the caller's array of at least `count` doubles, which receives one
// round-trip time in milliseconds per probe, 0 for a probe that was not answered in time;
// dataSize: echo data bytes (13..65,507, else 56); identifier: the caller's echo identifier.
//
// True when the series was run, answered or not. False when it could not start: no host,
// no array, a count outside 1..65,535, a name that does not resolve or has no address, or
// no raw socket; the array is then untouched and the thread's last error (GetLastError)
// holds the reason. Winsock must have been started by the caller. Safe on many threads.
#pragma once

#include <windows.h>

#include "tol_utils_api.h"

TOL_UTILS_API bool ping(const char* host, unsigned int timeout, int count, double** roundTrips,
                        unsigned short dataSize, unsigned short identifier);

// ping, ended early once `stop` (an event handle; null: never) is signalled: it is looked at
// before every request and while waiting for a reply, and each request not answered by then
// counts as lost (0). True when the series was run (all of it or up to the stop).
TOL_UTILS_API bool ping_stoppable(const char* host, unsigned int timeout, int count,
                                  double** roundTrips, unsigned short dataSize,
                                  unsigned short identifier, HANDLE stop);
