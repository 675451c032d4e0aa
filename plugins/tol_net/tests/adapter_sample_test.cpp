// The one-second differences, driven through the counter seam of the test list: each step
// gives the counters the reader finds (or that it finds none) and the deltas it must leave.
#include "adapter_test_list.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace {

constexpr uint32_t kMax = 4294967295u;

// The readings of one step: adapter name -> its in-octets (every other counter 0), or absent.
using Readings = std::map<std::string, uint32_t>;

struct Step {
    Readings readings;
    uint32_t delta;  // in-octets delta of the test afterwards
    uint32_t last;   // its in-octets last value afterwards
};

struct SampleCase {
    const char* name;
    std::vector<Step> steps;
};

AdapterTest MakeTest(int tid, int lid, const char* adapter)
{
    AdapterTest test;
    test.tid = tid;
    test.lid = lid;
    test.adapter = adapter;
    return test;
}

// The list's test at `index`, in list order.
const AdapterTest& At(const AdapterTestList& list, size_t index)
{
    return **(list.begin() + static_cast<ptrdiff_t>(index));
}

constexpr auto kAdded = AdapterTestList::AddOutcome::Added;

CounterReader ReaderOf(const Readings& readings)
{
    return [&readings](const std::string& adapter, AdapterCounters* out) {
        auto it = readings.find(adapter);
        if (it == readings.end())
            return false;
        *out = AdapterCounters();
        out->value[kInOctets] = it->second;
        return true;
    };
}

TEST(AdapterSample, DeltaTable)
{
    const SampleCase cases[] = {
        {"first sample gives 0, later ones the change",
         {{{{"eth0", 5000}}, 0, 5000}, {{{"eth0", 5600}}, 600, 5600}, {{{"eth0", 5600}}, 0, 5600}}},
        {"a wrap past 2^32", {{{{"eth0", 4294967290u}}, 0, 4294967290u}, {{{"eth0", 10}}, 16, 10}}},
        {"a wrap to exactly 0, then on",
         {{{{"eth0", kMax}}, 0, kMax}, {{{"eth0", 0}}, 1, 0}, {{{"eth0", 9}}, 9, 9}}},
        {"a counter that falls back gives current - last modulo 2^32",
         {{{{"eth0", 1000}}, 0, 1000}, {{{"eth0", 400}}, kMax - 599, 400}}},
        {"a counter at 0 that starts to count is not swallowed",
         {{{{"eth0", 0}}, 0, 0}, {{{"eth0", 7}}, 7, 7}}},
        {"an adapter that disappears reports 0 and starts over when it returns",
         {{{{"eth0", 100}}, 0, 100},
          {{{"eth0", 900}}, 800, 900},
          {{}, 0, 0},
          {{}, 0, 0},
          {{{"eth0", 50000}}, 0, 50000},
          {{{"eth0", 50100}}, 100, 50100}}},
        {"a misspelt adapter never counts", {{{{"eth1", 100}}, 0, 0}, {{{"eth1", 900}}, 0, 0}}},
    };
    for (const SampleCase& c : cases) {
        AdapterTestList list;
        ASSERT_EQ(kAdded, list.Add(MakeTest(1, 1, "eth0")));
        for (size_t i = 0; i < c.steps.size(); ++i) {
            const Step& step = c.steps[i];
            SampleTests(list, ReaderOf(step.readings));
            const CounterState& state = At(list, 0).counters;
            EXPECT_EQ(step.delta, state.deltas.value[kInOctets]) << c.name << ", step " << i;
            EXPECT_EQ(step.last, state.last.value[kInOctets]) << c.name << ", step " << i;
        }
    }
}

TEST(AdapterSample, EveryCounterHasItsOwnDelta)
{
    AdapterTestList list;
    ASSERT_EQ(kAdded, list.Add(MakeTest(1, 1, "eth0")));
    AdapterCounters first, second;
    for (int i = 0; i < kAdapterCounterCount; ++i) {
        first.value[i] = 1000u * (i + 1);
        second.value[i] = first.value[i] + 10u * (i + 1);
    }
    SampleTests(list, [&](const std::string&, AdapterCounters* out) { return *out = first, true; });
    SampleTests(list,
                [&](const std::string&, AdapterCounters* out) { return *out = second, true; });
    const CounterState& state = At(list, 0).counters;
    for (int i = 0; i < kAdapterCounterCount; ++i)
        EXPECT_EQ(10u * (i + 1), state.deltas.value[i]) << "counter " << i;

    AdapterRates rates = RatesOf(state.deltas);
    EXPECT_EQ(10u, rates.inOctets);
    EXPECT_EQ(20u + 30u, rates.inPackets);
    EXPECT_EQ(40u, rates.inErrors);
    EXPECT_EQ(60u, rates.outOctets);
    EXPECT_EQ(70u + 80u, rates.outPackets);
    EXPECT_EQ(90u, rates.outErrors);
}

TEST(AdapterSample, PacketSumsAreThirtyTwoBit)
{
    AdapterCounters deltas;
    deltas.value[kInUcastPkts] = kMax;
    deltas.value[kInNUcastPkts] = 3;
    deltas.value[kOutUcastPkts] = 1u << 31;
    deltas.value[kOutNUcastPkts] = 1u << 31;
    AdapterRates rates = RatesOf(deltas);
    EXPECT_EQ(2u, rates.inPackets);
    EXPECT_EQ(0u, rates.outPackets);
}

// Three tests read in one sample; a test of another adapter moved with NTM.
TEST(AdapterSample, ModifyToAnotherAdapterStartsOverWhileTheSameAdapterKeepsCounting)
{
    AdapterTestList list;
    ASSERT_EQ(kAdded, list.Add(MakeTest(1, 1, "eth0")));
    ASSERT_EQ(kAdded, list.Add(MakeTest(2, 1, "eth0")));
    ASSERT_EQ(kAdded, list.Add(MakeTest(3, 1, "wlan0")));
    Readings readings = {{"eth0", 1000}, {"wlan0", 3000000000u}};
    SampleTests(list, ReaderOf(readings));
    readings = {{"eth0", 1500}, {"wlan0", 3000000100u}};
    SampleTests(list, ReaderOf(readings));

    ASSERT_TRUE(list.Modify(MakeTest(1, 9, "wlan0")));  // another adapter
    ASSERT_TRUE(list.Modify(MakeTest(2, 9, "eth0")));   // the same one
    EXPECT_EQ(9, At(list, 0).lid);
    EXPECT_EQ(0u, At(list, 0).counters.deltas.value[kInOctets]);
    EXPECT_EQ(500u, At(list, 1).counters.deltas.value[kInOctets]);

    readings = {{"eth0", 1700}, {"wlan0", 3000000300u}};
    SampleTests(list, ReaderOf(readings));
    EXPECT_EQ(0u, At(list, 0).counters.deltas.value[kInOctets]);  // first sample of wlan0
    EXPECT_EQ(200u, At(list, 1).counters.deltas.value[kInOctets]);
    EXPECT_EQ(200u, At(list, 2).counters.deltas.value[kInOctets]);
    readings = {{"eth0", 1800}, {"wlan0", 3000000350u}};
    SampleTests(list, ReaderOf(readings));
    EXPECT_EQ(50u, At(list, 0).counters.deltas.value[kInOctets]);
}

TEST(AdapterTestList, TestIdIsTheKey)
{
    AdapterTestList list;
    EXPECT_EQ(kAdded, list.Add(MakeTest(4, 1, "eth0")));
    EXPECT_EQ(AdapterTestList::AddOutcome::Duplicate,
              list.Add(MakeTest(4, 2, "eth1")));  // a duplicate changes nothing
    EXPECT_EQ(kAdded, list.Add(MakeTest(5, 1, "eth1")));
    ASSERT_EQ(2u, list.Size());
    EXPECT_EQ("eth0", At(list, 0).adapter);
    EXPECT_EQ(1, At(list, 0).lid);

    EXPECT_FALSE(list.Modify(MakeTest(6, 1, "eth2")));
    EXPECT_FALSE(list.Remove(6));
    EXPECT_TRUE(list.Remove(4));
    ASSERT_EQ(1u, list.Size());
    EXPECT_EQ(5, At(list, 0).tid);
    list.Clear();
    EXPECT_EQ(0u, list.Size());
}

}  // namespace
