// proc_bench: CPU time of the process plug-in's check pass and of its process list (what each
// Get builds) on the host as it runs, with the real process source.
//
//     proc_bench <name prefix> <tests> [passes]
//
// Adds <tests> tests named <prefix>00.exe, <prefix>01.exe, ... and runs [passes] timer passes
// (default 20) and as many process lists, printing the CPU time of this thread (user + kernel)
// and the wall time, per pass and per process. A bare snapshot is timed beside them as the
// floor: a pass takes one snapshot for all its tests. The time wineserver spends answering is
// not this thread's and not counted.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "perf_timer.h"
#include "proc_checker.h"
#include "process_list.h"
#include "win_process_source.h"

namespace {

double ThreadCpuMs()
{
    FILETIME created, exited, kernel, user;
    GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user);
    auto units = [](const FILETIME& t) {
        return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    };
    return static_cast<double>(units(kernel) + units(user)) / 10000.0;
}

struct Cost {
    double cpuMs = 0;
    double wallMs = 0;
};

// Runs the jobs in turn, round after round, so that a host whose speed drifts weighs on each
// alike; the mean cost of each job.
std::vector<Cost> MeasureInTurn(int rounds, const std::vector<std::function<void()>>& jobs)
{
    std::vector<Cost> costs(jobs.size());
    for (int round = 0; round < rounds; ++round) {
        for (size_t job = 0; job < jobs.size(); ++job) {
            double cpu = ThreadCpuMs();
            CPerfTimer wall(1);
            jobs[job]();
            wall.Stop();
            costs[job].cpuMs += (ThreadCpuMs() - cpu) / rounds;
            costs[job].wallMs += wall.Elapsedms() / rounds;
        }
    }
    return costs;
}

void Print(const char* what, const Cost& cost, size_t per, const char* unit)
{
    printf("%-34s CPU %8.3f ms  wall %8.3f ms", what, cost.cpuMs, cost.wallMs);
    if (per)
        printf("   per %s: CPU %6.1f us  wall %6.1f us", unit, cost.cpuMs * 1000.0 / per,
               cost.wallMs * 1000.0 / per);
    printf("\n");
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        fprintf(stderr, "usage: proc_bench <name prefix> <tests> [passes]\n");
        return 2;
    }
    std::string prefix = argv[1];
    int tests = atoi(argv[2]);
    int passes = argc > 3 ? atoi(argv[3]) : 20;
    if (tests < 1 || passes < 1)
        return 2;

    CWinProcessSource source;
    CProcChecker checker(source);
    for (int i = 0; i < tests; ++i) {
        char line[256];
        snprintf(line, sizeof line, "PRA\t%d\t1\t90\t4096\t4096\t%s%02d.exe", i + 1, prefix.c_str(),
                 i);
        bool checkNow = false;
        checker.ProcessLine(line, &checkNow);
    }
    std::vector<ProcessEntry> processes;
    source.Snapshot(&processes);
    std::string records;
    checker.CheckPass(false, &records);
    checker.TakeLog();
    size_t measured = 0;
    for (size_t at = 0; at < records.size(); ++measured)
        at += *reinterpret_cast<const unsigned int*>(records.data() + at);
    printf("host: %u processes, %u logical processors; %d tests matching %u processes\n",
           static_cast<unsigned>(processes.size()), source.ProcessorCount(), tests,
           static_cast<unsigned>(measured));

    std::vector<Cost> costs = MeasureInTurn(passes, {
                                                        [&] {
                                                            std::vector<ProcessEntry> entries;
                                                            source.Snapshot(&entries);
                                                        },
                                                        [&] {
                                                            std::string bytes;
                                                            checker.CheckPass(false, &bytes);
                                                            checker.TakeLog();
                                                        },
                                                        [&] {
                                                            std::string bytes;
                                                            AppendProcessList(source, &bytes);
                                                        },
                                                    });
    Print("snapshot alone (the floor)", costs[0], processes.size(), "process");
    Print("check pass, 50 tests", costs[1], measured, "process measured");
    Print("Get: process list", costs[2], processes.size(), "process listed");
    Cost beyond;
    beyond.cpuMs = costs[1].cpuMs - costs[0].cpuMs;
    beyond.wallMs = costs[1].wallMs - costs[0].wallMs;
    Print("check pass beyond its snapshot", beyond, measured, "process measured");
    if (costs[0].wallMs > 0)
        printf("tol_proc check pass / its snapshot: %.2f\n", costs[1].wallMs / costs[0].wallMs);
    return 0;
}
