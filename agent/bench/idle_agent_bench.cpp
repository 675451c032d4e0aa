// The idle agent: the work engine's real main loop against a server that sets a short poll
// period and sends nothing to do. Every ten exchanges it prints the process's CPU time and
// private bytes, then the CPU time per tick and the growth of private bytes from the first
// full tick to the last. Passes or fails on nothing.
// Arguments: the Host address, the e-mail, the agent name, the number of exchanges.
#include "counting_link.h"
#include "driver_arguments.h"
#include "driver_settings.h"
#include "main_worker.h"

#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

struct ProcessSample {
    unsigned calls = 0;
    double cpuMilliseconds = 0;
    unsigned long long privateBytes = 0;
    bool fromPagefileUsage = false;
};

double FileTimeMilliseconds(const FILETIME& time)
{
    ULARGE_INTEGER value;
    value.LowPart = time.dwLowDateTime;
    value.HighPart = time.dwHighDateTime;
    return static_cast<double>(value.QuadPart) / 10000.0;
}

ProcessSample Sample(unsigned calls)
{
    ProcessSample sample;
    sample.calls = calls;
    HANDLE process = GetCurrentProcess();
    FILETIME created, exited, kernel, user;
    if (GetProcessTimes(process, &created, &exited, &kernel, &user))
        sample.cpuMilliseconds = FileTimeMilliseconds(kernel) + FileTimeMilliseconds(user);
    PROCESS_MEMORY_COUNTERS_EX memory = {};
    memory.cb = sizeof(memory);
    if (GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory),
                             sizeof(memory))) {
        sample.privateBytes = memory.PrivateUsage;
        // Wine fills only the first counters; PagefileUsage is the same commit charge.
        if (sample.privateBytes == 0) {
            sample.privateBytes = memory.PagefileUsage;
            sample.fromPagefileUsage = true;
        }
    }
    return sample;
}

void PrintSample(const ProcessSample& sample)
{
    std::printf("%8u %14.1f %12llu%s\n", sample.calls, sample.cpuMilliseconds,
                sample.privateBytes / 1024, sample.fromPagefileUsage ? " (PagefileUsage)" : "");
    std::fflush(stdout);
}

void PrintSummary(const ProcessSample& first, const ProcessSample& last)
{
    unsigned ticks = last.calls - first.calls;
    if (ticks == 0)
        return;
    std::printf("CPU time per tick: %.2f ms (exchanges %u to %u)\n",
                (last.cpuMilliseconds - first.cpuMilliseconds) / ticks, first.calls, last.calls);
    long long growth =
        static_cast<long long>(last.privateBytes) - static_cast<long long>(first.privateBytes);
    std::printf("private bytes: %llu KB at the start, %llu KB at the end (%+lld KB)\n",
                first.privateBytes / 1024, last.privateBytes / 1024, growth / 1024);
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 5) {
        std::fwprintf(stderr, L"usage: idle_agent_bench host e-mail name exchanges\n");
        return 2;
    }
    unsigned exchanges = static_cast<unsigned>(std::wcstoul(argv[4], nullptr, 10));
    CDriverSettings settings(argv[1], nullptr);
    if (!settings.IsWritten() || exchanges < 3)
        return 3;
    ProcessSample first;
    ProcessSample last;
    // The first call is the login; its tick's send (call 2) ends the first full tick.
    CCountingLink link(exchanges, [&](unsigned calls) {
        ProcessSample sample = Sample(calls);
        if (calls == 2)
            first = sample;
        last = sample;
        if (calls == 2 || calls % 10 == 0 || calls == exchanges)
            PrintSample(sample);
    });
    {
        CMainWorker engine;
        engine.SetServerLink(&link);
        engine.RegisterAgent(NarrowArgument(argv[2]).c_str(), NarrowArgument(argv[3]).c_str(),
                             "secret");
        std::printf("exchange   CPU ms total   private KB\n");
        if (!DriveMainLoop(engine, link))
            return 4;
        engine.SetServerLink(nullptr);
    }
    PrintSummary(first, last);
    return 0;
}
