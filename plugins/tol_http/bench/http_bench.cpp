// http_bench: figures of the HTTP plug-in's checks, printed one sample a line for
// http_bench.py to sum up beside curl.
//
//   http_bench check <host> <port> <path> <secure> <count>
//       count passes of one test: "check <record ms> <wall ms>" each (wall: the pass from
//       start to the record posted, request thread and WinINet set-up included)
//   http_bench measure <host> <port> <path> <secure> <count>
//       the request alone on the calling thread: "measure <record ms> <wall ms>" each
//   http_bench thread <host> <port> <path> <secure> <count>
//       start and join of a thread that does nothing: "thread <wall ms>" each
//   http_bench pass <host> <port> <path> <secure> <tests>
//       one pass of that many tests: "pass <tests> <records> <wall ms> <peak threads>"
//   http_bench stack <host> <port> <path> <secure> <tests>
//       that many request threads at once, body read and matched, each on a painted stack:
//       "stack <records> <deepest bytes> <reserved bytes>" (the plug-in's reservation)
#include <windows.h>
#include <tlhelp32.h>
#include <wininet.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "HttpCheck.h"
#include "recording_owner.h"
#include "http_request.h"
#include "stack_depth.h"

namespace {

// The milliseconds of a RESULT_HTTP record (its fifth UI32 value).
unsigned int RecordMilliseconds(const std::string& record)
{
    unsigned int ms = 0;
    if (record.size() >= 52)
        memcpy(&ms, record.data() + 32 + 16, sizeof ms);
    return ms;
}

struct Target {
    std::string host;
    int port = 0;
    std::string path;
    bool secure = false;
};

double NowMs()
{
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return 1000.0 * static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

std::string TestLine(const Target& target, int tid)
{
    char line[1024];
    snprintf(line, sizeof line, "HPA\t%d\t1\t%s\t%s\t%d\t\t\t\t\t30\t%d\t0\t1\t1\t0", tid,
             target.host.c_str(), target.path.c_str(), target.port, target.secure ? 1 : 0);
    return line;
}

void AddTests(CHttpCheck<CRecordingOwner>* check, const Target& target, int count)
{
    for (int id = 1; id <= count; ++id)
        check->ProcessTest(TestLine(target, id).c_str());
}

int CountOwnThreads()
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return 0;
    THREADENTRY32 entry;
    entry.dwSize = sizeof entry;
    int count = 0;
    DWORD self = GetCurrentProcessId();
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
        if (entry.th32OwnerProcessID == self)
            ++count;
    CloseHandle(snapshot);
    return count;
}

struct ThreadSampler {
    HANDLE stop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    LONG peak = 0;

    static DWORD WINAPI Run(void* param)
    {
        ThreadSampler* self = static_cast<ThreadSampler*>(param);
        do {
            LONG now = CountOwnThreads();
            if (now > self->peak)
                self->peak = now;
        } while (WaitForSingleObject(self->stop, 5) == WAIT_TIMEOUT);
        return 0;
    }
};

// One request on this thread, without the check's thread: "measure <record ms> <wall ms>".
void Measures(const Target& target, int count)
{
    HttpLine line;
    ParseHttpLine(TestLine(target, 1).c_str(), &line);
    for (int i = 0; i < count; ++i) {
        bool abandoned = false;
        double start = NowMs();
        HttpMeasure measure = MeasureHttp(line.test, nullptr, nullptr, &abandoned);
        printf("measure %lld %.3f\n", static_cast<long long>(measure.elapsedMs), NowMs() - start);
    }
}

void Checks(const Target& target, int count)
{
    CRecordingOwner owner;
    CHttpCheck<CRecordingOwner> check;
    check.m_owner = &owner;
    AddTests(&check, target, 1);
    for (int i = 0; i < count; ++i) {
        double start = NowMs();
        check.Check(false);
        double wall = NowMs() - start;
        CScopedLock lock(owner.m_lock);
        unsigned int ms = owner.results.empty() ? 0 : RecordMilliseconds(owner.results.back());
        printf("check %u %.3f\n", ms, wall);
    }
}

DWORD WINAPI NoWork(void*)
{
    return 0;
}

// Start and join of a thread that does nothing: what every request thread costs here.
void Threads(int count)
{
    for (int i = 0; i < count; ++i) {
        double start = NowMs();
        HANDLE thread = CreateThread(nullptr, 0, NoWork, nullptr, 0, nullptr);
        if (thread) {
            WaitForSingleObject(thread, INFINITE);
            CloseHandle(thread);
        }
        printf("thread %.3f\n", NowMs() - start);
    }
}

void Pass(const Target& target, int tests)
{
    CRecordingOwner owner;
    CHttpCheck<CRecordingOwner> check;
    check.m_owner = &owner;
    AddTests(&check, target, tests);
    ThreadSampler sampler;
    HANDLE thread = CreateThread(nullptr, 0, ThreadSampler::Run, &sampler, 0, nullptr);
    double start = NowMs();
    check.Check(false);
    double wall = NowMs() - start;
    SetEvent(sampler.stop);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    CloseHandle(sampler.stop);
    printf("pass %d %u %.3f %ld\n", tests, static_cast<unsigned>(owner.results.size()), wall,
           sampler.peak);
}

// The deepest stack of a request thread, WinINet's calls on it included.
void Stacks(const Target& target, int tests)
{
    CRecordingOwner owner;
    CHttpCheck<CRecordingOwner> check;
    check.m_owner = &owner;
    {
        CThreadGroup group(&StackMeasuringStarter);
        for (int id = 1; id <= tests; ++id) {
            HttpLine line;
            ParseHttpLine(TestLine(target, id).c_str(), &line);
            line.test.matchText = "TOLVANE";
            StartHttpRequest(std::unique_ptr<HttpTest>(new HttpTest(line.test)), &check, &group);
        }
        group.JoinAll();
    }
    printf("stack %u %u %u\n", static_cast<unsigned>(owner.results.size()),
           static_cast<unsigned>(DeepestStack()), static_cast<unsigned>(kPlugInThreadStack));
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 7) {
        fprintf(stderr,
                "usage: http_bench check|measure|thread|pass|stack <host> <port> <path> <secure> "
                "<n>\n");
        return 2;
    }
    Target target;
    target.host = argv[2];
    target.port = atoi(argv[3]);
    target.path = argv[4];
    target.secure = atoi(argv[5]) != 0;
    int count = atoi(argv[6]);
    std::string mode = argv[1];
    if (mode == "check")
        Checks(target, count);
    else if (mode == "measure")
        Measures(target, count);
    else if (mode == "thread")
        Threads(count);
    else if (mode == "pass")
        Pass(target, count);
    else if (mode == "stack")
        Stacks(target, count);
    else
        return 2;
    fflush(stdout);
    return 0;
}
