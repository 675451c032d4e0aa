// Winsock before windows.h, which the sink's header brings.
#include <winsock2.h>
#include <windows.h>

#include "probe_thread.h"

#include <new>

#include "heap_text.h"
#include "ping_record.h"
#include "ping_verdict.h"
#include "plugin_thread.h"
#include "winsock_holder.h"

namespace {

constexpr const char* kNewData = "tol_icmp: New data is available.";

struct ProbeJob {
    std::unique_ptr<PingTest> test;
    CPingProbeHub* hub = nullptr;
    IPingMeter* meter = nullptr;
    HMODULE module = nullptr;

    ~ProbeJob()
    {
        if (!hub)
            return;
        hub->EndProbe(test ? test->tid : 0);
        hub->Release();
    }
};

// Pings the test until the stop; the verdict's failure text is kept alive by *failure.
PingVerdict Measure(const PingTest& test, IPingMeter* meter, HANDLE stop, CHeapText<char>* failure)
{
    PingMeasure measure;
    measure.count = test.count;
    CHeapBlock<double> times;
    DWORD error = ERROR_INVALID_PARAMETER;
    if (test.count > 0 && test.count <= kMaxPingCount) {
        times.reset(static_cast<double*>(HeapAllocZero(sizeof(double) * test.count)));
        error = ERROR_NOT_ENOUGH_MEMORY;
    }
    if (times) {
        measure.answered = meter->Ping(
            test.host.empty() ? nullptr : test.host.c_str(), PingTimeout(test.timeout), test.count,
            times.get(), PingDataSize(test.dataSize), PingIdentifier(test.tid), stop, &error);
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
    CWinsockHolder winsock;
    winsock.Acquire();
    const PingTest& test = *job->test;
    CHeapText<char> failure;
    PingVerdict verdict = Measure(test, job->meter, job->hub->StopEvent(), &failure);
    CComBSTR bytes;
    if (BuildPingRecord(test.tid, test.lid, verdict, &bytes))
        job->hub->Post(&bytes, kNewData);
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

bool StartProbe(std::unique_ptr<PingTest> test, CPingProbeHub* hub, IPingMeter* meter)
{
    if (!test || !hub)
        return false;
    ProbeJob* job = new (std::nothrow) ProbeJob;
    if (!job) {
        hub->EndProbe(test->tid);
        return false;
    }
    job->test = std::move(test);
    hub->AddRef();
    job->hub = hub;
    job->meter = meter;
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
