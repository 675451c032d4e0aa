// Prints round-trip times to 127.0.0.1 as ping measures them, and how many probes per second
// 32 threads get through. Usage: ping_bench [probes] [seconds] [--each]
// With --each every round trip is printed as well, one "rtt <ms>" line each (0 for a lost
// request), for tol_utils/bench/ping_compare.py to set beside other measurements.
#include <winsock2.h>

#include "perf_timer.h"
#include "ping.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

namespace {

const char kTarget[] = "127.0.0.1";
constexpr unsigned kTimeoutMs = 1000;
constexpr int kThreads = 32;

void PrintRoundTrips(int probes, bool each)
{
    std::vector<double> times(size_t(probes), 0.0);
    double* array = times.data();
    if (!ping(kTarget, kTimeoutMs, probes, &array, 56, 0x5A5A)) {
        printf("ping failed: error %lu\n", GetLastError());
        return;
    }
    std::vector<double> answered;
    for (double t : times) {
        if (each)
            printf("rtt %.4f\n", t);
        if (t > 0)
            answered.push_back(t);
    }
    std::sort(answered.begin(), answered.end());
    double sum = 0;
    for (double t : answered)
        sum += t;
    printf("round trips to %s: %d sent, %zu answered\n", kTarget, probes, answered.size());
    if (!answered.empty())
        printf("  min %.3f ms  median %.3f ms  avg %.3f ms  max %.3f ms\n", answered.front(),
               answered[answered.size() / 2], sum / double(answered.size()), answered.back());
}

void PrintThroughput(double seconds)
{
    std::atomic<long> answered{0}, lost{0};
    std::atomic<bool> stop{false};
    std::vector<std::thread> threads;
    CPerfTimer watch(1);
    for (int i = 0; i < kThreads; ++i) {
        threads.emplace_back([&, i] {
            while (!stop) {
                double rtt = 0;
                double* array = &rtt;
                bool ran = ping(kTarget, kTimeoutMs, 1, &array, 0, static_cast<unsigned short>(i));
                (ran && rtt > 0 ? answered : lost)++;
            }
        });
    }
    Sleep(DWORD(seconds * 1000));
    stop = true;
    for (auto& t : threads)
        t.join();
    double elapsed = watch.Elapsed();
    printf("%d threads for %.2f s: %ld answered, %ld lost, %.1f probes/s\n", kThreads, elapsed,
           answered.load(), lost.load(), double(answered + lost) / elapsed);
}

}  // namespace

int main(int argc, char** argv)
{
    int probes = argc > 1 ? atoi(argv[1]) : 20;
    double seconds = argc > 2 ? atof(argv[2]) : 5.0;
    bool each = argc > 3 && strcmp(argv[3], "--each") == 0;
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0) {
        printf("WSAStartup failed\n");
        return 1;
    }
    CPerfTimer timer;
    printf("counter resolution %.4f us\n", timer.Resolutionus());
    PrintRoundTrips(probes > 0 ? probes : 20, each);
    PrintThroughput(seconds > 0 ? seconds : 5.0);
    WSACleanup();
    return 0;
}
