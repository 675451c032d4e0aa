// http_bench: figures of the HTTP plug-in's checks, printed one sample a line for
// http_bench.py to sum up beside curl.
//
//   http_bench check <host> <port> <path> <secure> <count>
//       count passes of one test: "check <record ms> <wall ms>" each (wall: the pass from
//       start to the record posted, request thread and WinINet set-up included)
//   http_bench bare <host> <port> <path> <secure> <count>
//       the same GET through plain synchronous WinINet: "bare <wall ms>" each
//   http_bench pass <host> <port> <path> <secure> <tests>
//       one pass of that many tests: "pass <tests> <records> <wall ms> <peak threads>"
#include <windows.h>
#include <tlhelp32.h>
#include <wininet.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "HttpCheck.h"
#include "http_request.h"

namespace {

// Stands in for the COM object: keeps the status and milliseconds of every record posted.
struct RecordCounter {
    void PostResult(CComBSTR* data, const char*)
    {
        CScopedLock lock(m_lock);
        const BYTE* bytes = data->Bytes();
        if (data->ByteLength() >= 52) {
            unsigned int ms;
            memcpy(&ms, bytes + 32 + 16, sizeof ms);
            milliseconds.push_back(ms);
        }
    }
    void PostEvent(int, const char*) {}

    CCriticalSection m_lock;
    std::vector<unsigned int> milliseconds;
};

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

std::string TestLine(const Target& target, int testId)
{
    char line[1024];
    snprintf(line, sizeof line, "HPA\t%d\t1\t%s\t%s\t%d\t\t\t\t\t30\t%d\t0\t1\t1\t0", testId,
             target.host.c_str(), target.path.c_str(), target.port, target.secure ? 1 : 0);
    return line;
}

void AddTests(CHttpCheck<RecordCounter>* check, const Target& target, int count)
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

void Checks(const Target& target, int count)
{
    RecordCounter owner;
    CHttpCheck<RecordCounter> check;
    check.m_owner = &owner;
    AddTests(&check, target, 1);
    for (int i = 0; i < count; ++i) {
        double start = NowMs();
        check.Check(false);
        double wall = NowMs() - start;
        CScopedLock lock(owner.m_lock);
        printf("check %u %.3f\n", owner.milliseconds.empty() ? 0 : owner.milliseconds.back(),
               wall);
    }
}

bool BareGet(const Target& target)
{
    HINTERNET root = InternetOpenA("http_bench", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
    HINTERNET connection =
        root ? InternetConnectA(root, target.host.c_str(), static_cast<INTERNET_PORT>(target.port),
                                "", "", INTERNET_SERVICE_HTTP, 0, 0)
             : nullptr;
    HINTERNET request = connection ? HttpOpenRequestA(connection, "GET", target.path.c_str(),
                                                      nullptr, nullptr, nullptr,
                                                      HttpRequestFlags(target.secure), 0)
                                   : nullptr;
    bool done = false;
    if (request) {
        DWORD flags = 0;
        DWORD size = sizeof flags;
        if (target.secure &&
            InternetQueryOptionA(request, INTERNET_OPTION_SECURITY_FLAGS, &flags, &size)) {
            flags |= SECURITY_FLAG_IGNORE_UNKNOWN_CA;
            InternetSetOptionA(request, INTERNET_OPTION_SECURITY_FLAGS, &flags, sizeof flags);
        }
        if (HttpSendRequestA(request, nullptr, 0, nullptr, 0)) {
            char buffer[1024];
            DWORD read = 0;
            while (InternetReadFile(request, buffer, sizeof buffer, &read) && read > 0) {
            }
            done = true;
        }
    }
    for (HINTERNET handle : {request, connection, root})
        if (handle)
            InternetCloseHandle(handle);
    return done;
}

void Bare(const Target& target, int count)
{
    for (int i = 0; i < count; ++i) {
        double start = NowMs();
        bool done = BareGet(target);
        printf("bare %.3f%s\n", NowMs() - start, done ? "" : " failed");
    }
}

void Pass(const Target& target, int tests)
{
    RecordCounter owner;
    CHttpCheck<RecordCounter> check;
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
    printf("pass %d %u %.3f %ld\n", tests, static_cast<unsigned>(owner.milliseconds.size()),
           wall, sampler.peak);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 7) {
        fprintf(stderr, "usage: http_bench check|bare|pass <host> <port> <path> <secure> <n>\n");
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
    else if (mode == "bare")
        Bare(target, count);
    else if (mode == "pass")
        Pass(target, count);
    else
        return 2;
    fflush(stdout);
    return 0;
}
