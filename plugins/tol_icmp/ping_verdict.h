// JudgePing: what one probe of a ping test reports, from what ping measured. No network.
#pragma once

#include <string>

// Highest probe count ping runs.
constexpr int kMaxPingCount = 65535;

struct PingMeasure {
    bool answered = false;               // ping ran the series
    int count = 0;                       // requests asked for
    const double* roundTrips = nullptr;  // `count` times in ms, 0 for a lost request
    const char* failure = nullptr;       // why ping did not run (when it did not)
};

struct PingVerdict {
    unsigned int status = 0;  // 0 within the limit, 2 failed
    unsigned int lost = 0;
    double average = 0;  // ms over the answered requests
    std::string text;
};

PingVerdict JudgePing(const PingMeasure& measure, int maximumLost);

// What ping is given for a test's data size and test id: their low 16 bits.
unsigned short PingDataSize(int dataSize);
unsigned short PingIdentifier(int tid);

// Longest wait for one reply.
constexpr unsigned int kMaxPingTimeoutMs = 60000;

// What ping is given for a test's time-out in ms: a negative time-out waits for no reply
// (every request of the probe counts as lost) instead of about 49 days per request, and no
// request waits longer than kMaxPingTimeoutMs.
unsigned int PingTimeout(int timeoutMs);
