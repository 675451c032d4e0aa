// The nine traffic counters of one adapter and the one-second differences kept for a test.
// No platform call: the sampler reads the counters, this file does the arithmetic.
#pragma once

#include <cstdint>

// The interface-table row's counters, in this order.
enum AdapterCounter {
    kInOctets,
    kInUcastPkts,
    kInNUcastPkts,
    kInErrors,
    kInUnknownProtos,
    kOutOctets,
    kOutUcastPkts,
    kOutNUcastPkts,
    kOutErrors,
    kAdapterCounterCount
};

struct AdapterCounters {
    uint32_t value[kAdapterCounterCount] = {};
};

// What a test keeps between samples. A new test, and a test whose adapter could not be read
// at its last sample, has no sample yet: every last value and every delta is 0.
struct CounterState {
    AdapterCounters last;
    AdapterCounters deltas;
    bool sampled = false;
};

// One sample: `current` null when the adapter could not be found or read. The first sample
// gives deltas of 0; each later one current - last in 32-bit arithmetic, so a counter that
// wrapped past 2^32 once still gives the right difference. Without a reading the state starts
// over (last values and deltas 0), so a gone adapter does not go on reporting its last traffic.
void ApplySample(CounterState* state, const AdapterCounters* current);

// The six figures a result reports, from the deltas; the packet sums are 32-bit.
struct AdapterRates {
    uint32_t inOctets = 0;
    uint32_t inPackets = 0;
    uint32_t inErrors = 0;
    uint32_t outOctets = 0;
    uint32_t outPackets = 0;
    uint32_t outErrors = 0;
};

AdapterRates RatesOf(const AdapterCounters& deltas);
