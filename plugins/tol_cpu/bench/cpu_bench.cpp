// cpu_bench: what one check pass of the processor plug-in costs: with 1 local and 20 remote
// tests against an SNMP agent on the given address (port 161, community "quovel"; the UCD
// counters), and with 1, 10 and 100 local tests, where the processor times are read once per
// pass whatever the number of tests (the reading alone last). Prints CPU time (every
// thread of the process, the SNMP layer's included) and wall time per pass; judges nothing.
// Usage: cpu_bench <host> [passes]
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "CPUmon.h"
#include "bench_clock.h"
#include "snmp_bench_host.h"

namespace {

struct BenchOwner {
    void PostResult(CComBSTR*, const char*) { ++results; }
    void PostEvent(int, const char*) {}
    unsigned long results = 0;
};

// The system's counters, counted.
class CountingCounters : public ICpuCounters {
public:
    int ProcessorCount() override { return SystemCpuCounters().ProcessorCount(); }
    bool ProcessorTimes(int count, std::vector<CpuTimes>* times) override
    {
        ++processorReads;
        return SystemCpuCounters().ProcessorTimes(count, times);
    }
    bool SystemTimes(CpuTimes* times) override
    {
        ++systemReads;
        return SystemCpuCounters().SystemTimes(times);
    }
    unsigned long processorReads = 0;
    unsigned long systemReads = 0;
};

CpuTest Test(int tid, const std::string& host, const char* system)
{
    CpuTest test;
    test.tid = tid;
    test.hostAddr = host;
    test.system = system;
    return test;
}

// A worker given 1 local test and `remote` tests of the host, then `local - 1` more local ones.
void MeasurePasses(const char* what, int passes, int local, int remote, const std::string& host,
                   const char* system)
{
    BenchOwner owner;
    CountingCounters counters;
    CCPUmon<BenchOwner> worker(counters);
    worker.m_owner = &owner;
    int tid = 1;
    for (int i = 0; i < local; ++i)
        worker.AddTest(Test(tid++, "", ""));
    for (int i = 0; i < remote; ++i)
        worker.AddTest(Test(tid++, host, system));
    worker.Check(false);  // warm: the first requests pay for sockets and threads
    owner.results = counters.processorReads = counters.systemReads = 0;
    BenchCost cost = MeasureRuns(passes, [&] { worker.Check(false); });
    printf(
        "%-44s %5d passes  CPU %8.3f ms/pass  wall %8.3f ms/pass  (%lu records; per pass %.0f "
        "processor and %.0f system readings)\n",
        what, passes, cost.cpuMs, cost.wallMs, owner.results,
        static_cast<double>(counters.processorReads) / passes,
        static_cast<double>(counters.systemReads) / passes);
}

}  // namespace

int main(int argc, char** argv)
{
    std::string host;
    int passes = 0;
    if (!StartSnmpBench(argc, argv, "cpu_bench", &host, &passes))
        return 1;
    MeasurePasses("1 local + 20 remote tests (UCD counters)", passes, 1, 20, host, "linux");
    for (int local : {1, 10, 100}) {
        std::string what = std::to_string(local) + " local tests";
        MeasurePasses(what.c_str(), passes * 20, local, 0, host, "");
    }
    // The reading itself, which every pass makes once.
    CCpuSampler sampler(SystemCpuCounters());
    sampler.Init();
    CpuUsage system;
    std::vector<CpuUsage> processors;
    BenchCost reading = MeasureRuns(passes * 20, [&] { sampler.Sample(&system, &processors); });
    printf("%-44s %5d passes  CPU %8.3f ms/pass  wall %8.3f ms/pass  (%d processors)\n",
           "the processor times reading alone", passes * 20, reading.cpuMs, reading.wallMs,
           sampler.ProcessorCount());
    libpo_SnmpCleanup();
    return 0;
}
