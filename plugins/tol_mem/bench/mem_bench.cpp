// mem_bench: what one check pass of the memory plug-in costs with 1 local and 20 remote memory
// tests against an SNMP agent on the given address (port 161, community "quovel"), and with
// 20 remote load-average tests. Prints CPU time (every thread of the process, the SNMP layer's
// included) and wall time per pass; judges nothing. Usage: mem_bench <host> [passes]
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "MemMon.h"
#include "bench_clock.h"
#include "snmp_bench_host.h"

namespace {

// Keeps count of what the worker posts.
struct BenchOwner {
    void PostResult(CComBSTR* data, const char*)
    {
        ++results;
        bytes += data->ByteLength();
    }
    void PostEvent(int, const char*) {}
    unsigned long results = 0;
    unsigned long long bytes = 0;
};

// A worker given its tests by `fill`, one warm pass, then `passes` measured passes.
template <class Fill>
void MeasurePasses(const char* what, int passes, Fill fill)
{
    BenchOwner owner;
    CMemMon<BenchOwner> worker;
    worker.m_owner = &owner;
    fill(worker);
    worker.Check(false);  // warm: the first requests pay for sockets and threads
    owner.results = 0;
    BenchCost cost = MeasureRuns(passes, [&] { worker.Check(false); });
    printf("%-52s %4d passes  CPU %8.3f ms/pass  wall %8.3f ms/pass  (%lu records)\n", what, passes,
           cost.cpuMs, cost.wallMs, owner.results);
}

MemTest MemoryTest(int tid, const std::string& host)
{
    MemTest test;
    test.tid = tid;
    test.hostAddr = host;
    return test;
}

}  // namespace

int main(int argc, char** argv)
{
    std::string host;
    int passes = 0;
    if (!StartSnmpBench(argc, argv, "mem_bench", &host, &passes))
        return 1;
    MeasurePasses("memory: 1 local + 20 remote tests", passes, [&](CMemMon<BenchOwner>& worker) {
        worker.AddTest(MemoryTest(1, ""));
        for (int i = 0; i < 20; ++i)
            worker.AddTest(MemoryTest(2 + i, host));
    });
    MeasurePasses("load average: 20 remote tests", passes, [&](CMemMon<BenchOwner>& worker) {
        for (int i = 0; i < 20; ++i) {
            LoadAvgTest test;
            test.tid = 1 + i;
            test.hostAddr = host;
            worker.AddLoadAvgTest(test);
        }
    });
    MeasurePasses("memory: 1 local test alone", passes * 100,
                  [](CMemMon<BenchOwner>& worker) { worker.AddTest(MemoryTest(1, "")); });
    libpo_SnmpCleanup();
    return 0;
}
