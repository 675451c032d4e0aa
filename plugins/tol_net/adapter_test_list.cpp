#include "adapter_test_list.h"

void SampleTests(const AdapterTestList& tests, const CounterReader& read)
{
    for (const auto& test : tests) {
        AdapterCounters current;
        bool readable = read && read(test->adapter, &current);
        ApplySample(&test->counters, readable ? &current : nullptr);
    }
}
