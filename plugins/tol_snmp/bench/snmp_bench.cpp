// snmp_bench: figures of the SNMP plug-in's checker (CSNMPClient) over the real SNMP API, for
// snmp_bench.py to print beside net-snmp's tools.
//
//   snmp_bench pass <host> <port> <community> <tests> <identifiers ;-separated> <passes>
//       that many SPA tests, then one pass at a time: "pass <records> <good> <wall ms>" each
//   snmp_bench stack <host> <port> <community> <tests> <identifiers ;-separated>
//       that many request threads at once, each on a painted stack:
//       "stack <records> <deepest bytes> <reserved bytes>" (the plug-in's reservation)
//   snmp_bench traps <packages> <seconds>
//       TRA, then "listening"; waits until that many packages were posted (at most seconds):
//       "traps <posted> <first to last ms>"
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "SNMPClient.h"
#include "perf_timer.h"
#include "recording_owner.h"
#include "stack_depth.h"

namespace {

using Checker = CSNMPClient<CRecordingOwner>;

double NowMs()
{
    LARGE_INTEGER frequency, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&now);
    return 1000.0 * static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Records whose status (the fourth UI32 value) is 0.
unsigned CountGood(const CRecordingOwner& owner)
{
    unsigned good = 0;
    for (const std::string& record : owner.results) {
        unsigned status = 1;
        if (record.size() >= 48)
            memcpy(&status, record.data() + 32 + 12, sizeof status);
        good += status == 0;
    }
    return good;
}

int Passes(char** argv)
{
    CRecordingOwner owner;
    Checker checker;
    checker.m_owner = &owner;
    if (!checker.StartSnmp())
        return 1;
    int tests = atoi(argv[5]);
    for (int id = 1; id <= tests; ++id) {
        std::string line = "SPA\t" + std::to_string(id) + "\t1\t" + argv[2] + "\t" + argv[3] +
                           "\t2\t" + argv[6] + "\t" + argv[4] + "\t\t\t\t\t\t5\t1\t\t";
        checker.ProcessTest(line.c_str());
    }
    for (int pass = atoi(argv[7]); pass > 0; --pass) {
        {
            CScopedLock lock(owner.m_lock);
            owner.results.clear();
        }
        CPerfTimer timer(1);
        checker.Check(false);
        timer.Stop();
        CScopedLock lock(owner.m_lock);
        printf("pass %u %u %.3f\n", static_cast<unsigned>(owner.results.size()), CountGood(owner),
               timer.Elapsedms());
        fflush(stdout);
    }
    checker.Stop();
    return 0;
}

// The deepest stack of a request thread, the SNMP client's calls on it included.
int Stacks(char** argv)
{
    CRecordingOwner owner;
    Checker checker;
    checker.m_owner = &owner;
    if (!checker.StartSnmp())
        return 1;
    {
        CThreadGroup group(&StackMeasuringStarter);
        for (int id = 1; id <= atoi(argv[5]); ++id) {
            std::unique_ptr<SnmpTest> test(new SnmpTest);
            test->tid = id;
            test->host = argv[2];
            test->port = static_cast<unsigned>(atoi(argv[3]));
            test->community = argv[4];
            test->oids = argv[6];
            test->timeout = 5;
            test->retries = 1;
            StartSnmpRequest(std::move(test), &checker, &group);
        }
        group.JoinAll();
    }
    printf("stack %u %u %u\n", static_cast<unsigned>(owner.results.size()),
           static_cast<unsigned>(DeepestStack()), static_cast<unsigned>(kPlugInThreadStack));
    return 0;
}

int Traps(char** argv)
{
    CRecordingOwner owner;
    Checker checker;
    checker.m_owner = &owner;
    if (!checker.StartSnmp())
        return 1;
    checker.ProcessTest("TRA\t1\t1");
    if (!checker.TrapListening())
        return 1;
    printf("listening\n");
    fflush(stdout);
    size_t wanted = strtoul(argv[2], nullptr, 10);
    DWORD deadline = GetTickCount() + 1000u * strtoul(argv[3], nullptr, 10);
    // From the first package seen to the last one, polled every millisecond.
    double first = 0.0;
    double last = 0.0;
    size_t posted = 0;
    size_t seen = 0;
    while (posted<wanted&& static_cast<LONG>(deadline - GetTickCount())> 0) {
        {
            CScopedLock lock(owner.m_lock);
            posted = owner.results.size();
        }
        if (posted > seen) {
            last = NowMs();
            if (seen == 0)
                first = last;
            seen = posted;
        }
        Sleep(1);
    }
    checker.Stop();
    CScopedLock lock(owner.m_lock);
    printf("traps %u %.3f\n", static_cast<unsigned>(owner.results.size()), last - first);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc >= 8 && strcmp(argv[1], "pass") == 0)
        return Passes(argv);
    if (argc >= 7 && strcmp(argv[1], "stack") == 0)
        return Stacks(argv);
    if (argc >= 4 && strcmp(argv[1], "traps") == 0)
        return Traps(argv);
    fprintf(stderr,
            "usage: snmp_bench pass <host> <port> <community> <tests> <oids> <passes>\n"
            "       snmp_bench stack <host> <port> <community> <tests> <oids>\n"
            "       snmp_bench traps <packages> <seconds>\n");
    return 2;
}
