// net_bench: what the adapter plug-in's sampler costs per second with 1, 10 and 50 tests (one
// GetIfEntry per test and sample, one sample a second), and what one Get's adapter list costs.
// Prints figures; judges nothing.
#include <winsock2.h>
#include <windows.h>

#include <cstdio>
#include <string>

#include "NetAdapMon.h"

namespace {

// Stands in for the COM object: the benchmark keeps nothing.
struct BenchOwner {
    void PostResult(CComBSTR*, const char*) {}
    void PostEvent(int, const char*) {}
};

using Monitor = CNetAdapMon<BenchOwner>;

double ThreadCpuSeconds()
{
    FILETIME created, exited, kernel, user;
    if (!GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user))
        return 0;
    auto seconds = [](const FILETIME& t) {
        return ((static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e7;
    };
    return seconds(kernel) + seconds(user);
}

double WallSeconds()
{
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

struct Cost {
    int runs = 0;
    double cpuMicros = 0;   // per run
    double wallMicros = 0;  // per run
};

// Runs `work` for about `seconds` of wall time (20 runs at least).
template <class Work>
Cost Measure(Work work, double seconds = 2.0)
{
    double cpuStart = ThreadCpuSeconds();
    double wallStart = WallSeconds();
    Cost cost;
    do {
        work();
        ++cost.runs;
    } while (cost.runs < 20 || WallSeconds() - wallStart < seconds);
    cost.cpuMicros = (ThreadCpuSeconds() - cpuStart) * 1e6 / cost.runs;
    cost.wallMicros = (WallSeconds() - wallStart) * 1e6 / cost.runs;
    return cost;
}

std::string FirstAdapterUp()
{
    AdapterScan scan;
    if (!ScanAdapters(&scan))
        return std::string();
    AdapterMap map = BuildAdapterMap(scan.rows);
    return map.empty() ? std::string() : map.begin()->first;
}

}  // namespace

int main()
{
    std::string adapter = FirstAdapterUp();
    if (adapter.empty()) {
        printf("no adapter is up: the samples below read nothing\n");
        adapter = "no such adapter";
    }
    printf("tests sample the adapter '%s'\n", adapter.c_str());
    printf("%-28s %8s %16s %16s\n", "", "runs", "CPU us/run", "wall us/run");
    for (int tests : {1, 10, 50}) {
        Monitor monitor;
        for (int id = 1; id <= tests; ++id) {
            AdapterTest test;
            test.tid = id;
            test.lid = 1;
            test.adapter = adapter;
            monitor.AddTest(test);
        }
        Cost cost = Measure([&] { monitor.SampleCounters(); });
        char label[64];
        snprintf(label, sizeof label, "sampler, %d test(s) (1/s)", tests);
        printf("%-28s %8d %16.1f %16.1f   (%.3f%% of one CPU)\n", label, cost.runs, cost.cpuMicros,
               cost.wallMicros, cost.cpuMicros / 1e4);
    }
    Monitor monitor;
    CComBSTR bytes;
    Cost cost = Measure([&] {
        bytes.Empty();
        monitor.BuildAdapterList(&bytes);
    });
    printf("%-28s %8d %16.1f %16.1f   (%u bytes)\n", "Get: the adapter list", cost.runs,
           cost.cpuMicros, cost.wallMicros, bytes.ByteLength());
    return 0;
}
