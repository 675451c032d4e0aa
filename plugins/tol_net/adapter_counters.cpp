#include "adapter_counters.h"

void ApplySample(CounterState* state, const AdapterCounters* current)
{
    if (!current) {
        *state = CounterState();
        return;
    }
    for (int i = 0; i < kAdapterCounterCount; ++i) {
        uint32_t last = state->sampled ? state->last.value[i] : current->value[i];
        state->deltas.value[i] = current->value[i] - last;
        state->last.value[i] = current->value[i];
    }
    state->sampled = true;
}

AdapterRates RatesOf(const AdapterCounters& deltas)
{
    const uint32_t* d = deltas.value;
    AdapterRates rates;
    rates.inOctets = d[kInOctets];
    rates.inPackets = d[kInUcastPkts] + d[kInNUcastPkts];
    rates.inErrors = d[kInErrors];
    rates.outOctets = d[kOutOctets];
    rates.outPackets = d[kOutUcastPkts] + d[kOutNUcastPkts];
    rates.outErrors = d[kOutErrors];
    return rates;
}
