// Winsock before windows.h, which the sink's header brings.
#include <winsock2.h>
#include <windows.h>

#include "probe_thread.h"

#include <new>

#include "heap_helpers.h"
#include "ping.h"
#include "ping_record.h"
#include "ping_verdict.h"
#include "plugin_thread.h"

namespace {

constexpr const char* kNewData = "tol_icmp: New data is available.";

struct ProbeJob {
    std::unique_ptr<PingTest> test;
    CPingProbeHub* hub = nullptr;
    HMODULE module = nullptr;

    ~ProbeJob()
    {
        if (!hub)
            return;
        hub->EndProbe(test ? test->testId : 0);
        hub->Release();
    }
};

struct HeapTextDeleter {
    void operator()(const void* block) const { FreeHeapBlock(block); }
};
using HeapText = std::unique_ptr<char, HeapTextDeleter>;
using HeapTimes = std::unique_ptr<double, HeapTextDeleter>;

// Pings the test until the stop; the verdict's failure text is kept alive by *failure.
PingVerdict Measure(const PingTest& test, HANDLE stop, HeapText* failure)
{
    PingMeasure measure;
    measure.count = test.count;
    HeapTimes times;
    DWORD error = ERROR_INVALID_PARAMETER;
    if (test.count > 0 && test.count <= kMaxPingCount) {
        times.reset(static_cast<double*>(HeapAllocZero(sizeof(double) * test.count)));
        error = ERROR_NOT_ENOUGH_MEMORY;
    }
    if (times) {
        double* array = times.get();
        measure.answered = ping_stoppable(
            test.host.empty() ? nullptr : test.host.c_str(), PingTimeout(test.timeout), test.count,
            &array, PingDataSize(test.dataSize), PingIdentifier(test.testId), stop);
        error = GetLastError();
        measure.roundTrips = times.get();
    }
    if (!measure.answered) {
        failure->reset(FormatErrorTextA(error, nullptr));
        measure.failure = failure->get();
    }
    return JudgePing(measure, test.maximumLost);
}

void RunProbe(ProbeJob* job)
{
    WSADATA data;
    bool winsock = WSAStartup(MAKEWORD(2, 2), &data) == 0;
    const PingTest& test = *job->test;
    HeapText failure;
    PingVerdict verdict = Measure(test, job->hub->StopEvent(), &failure);
    CComBSTR bytes;
    if (BuildPingRecord(test.testId, test.locationId, verdict, &bytes))
        job->hub->Post(&bytes, kNewData);
    if (winsock)
        WSACleanup();
}

DWORD WINAPI ProbeThread(void* param)
{
    ProbeJob* job = static_cast<ProbeJob*>(param);
    HMODULE module = job->module;
    RunProbe(job);
    delete job;
    if (module)
        FreeLibraryAndExitThread(module, 0);
    return 0;
}

HMODULE ThisModule()
{
    HMODULE module = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                            reinterpret_cast<LPCWSTR>(&ProbeThread), &module))
        return nullptr;
    return module;
}

}  // namespace

bool StartProbe(std::unique_ptr<PingTest> test, CPingProbeHub* hub)
{
    if (!test || !hub)
        return false;
    ProbeJob* job = new (std::nothrow) ProbeJob;
    if (!job) {
        hub->EndProbe(test->testId);
        return false;
    }
    job->test = std::move(test);
    hub->AddRef();
    job->hub = hub;
    job->module = ThisModule();
    if (!job->module) {
        delete job;
        return false;
    }
    HANDLE thread = StartPlugInThread(ProbeThread, job);
    if (!thread) {
        FreeLibrary(job->module);
        delete job;
        return false;
    }
    CloseHandle(thread);
    return true;
}
