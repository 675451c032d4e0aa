// Throughput of the send cache with full 120 KB buffers: AddToCache (each result opens a
// buffer, the oldest dropped beyond the count) and TakeSendBlock (oldest into flight, a heap
// copy out, then the send done). Prints MB/s; passes or fails on nothing.
#include "heap_helpers.h"
#include "main_worker.h"

#include <windows.h>

#include <cstdio>

namespace {

class CBenchEngine : public CMainWorker {
public:
    void FinishSend()
    {
        SysFreeString(m_inFlight);
        m_inFlight = nullptr;
    }
};

double Seconds(const LARGE_INTEGER& start, const LARGE_INTEGER& end)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(end.QuadPart - start.QuadPart) /
           static_cast<double>(frequency.QuadPart);
}

double MegabytesPerSecond(unsigned buffers, double seconds)
{
    double bytes = static_cast<double>(buffers) * kDefaultMaxBufferSize;
    return seconds > 0 ? bytes / (1024.0 * 1024.0) / seconds : 0.0;
}

}  // namespace

int main()
{
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    const unsigned kRounds = 200;
    BSTR result = SysAllocStringByteLen(nullptr, kDefaultMaxBufferSize);
    if (!result)
        return 1;
    double addSeconds = 0;
    double takeSeconds = 0;
    unsigned taken = 0;
    {
        CBenchEngine engine;
        engine.SetAuthorized(true);
        for (unsigned round = 0; round < kRounds; ++round) {
            LARGE_INTEGER start, end;
            QueryPerformanceCounter(&start);
            for (unsigned i = 0; i < kDefaultMaxBufferCount; ++i)
                engine.AddToCache(result);
            QueryPerformanceCounter(&end);
            addSeconds += Seconds(start, end);

            QueryPerformanceCounter(&start);
            for (;;) {
                char* bytes = nullptr;
                DWORD length = 0;
                engine.TakeSendBlock(&bytes, &length);
                if (!bytes)
                    break;
                FreeHeapBlock(bytes);
                engine.FinishSend();
                ++taken;
            }
            QueryPerformanceCounter(&end);
            takeSeconds += Seconds(start, end);
        }
    }
    SysFreeString(result);
    unsigned added = kRounds * kDefaultMaxBufferCount;
    std::printf("AddToCache,    %u buffers of %u bytes: %.1f MB/s\n", added,
                kDefaultMaxBufferSize, MegabytesPerSecond(added, addSeconds));
    std::printf("TakeSendBlock, %u buffers of %u bytes: %.1f MB/s\n", taken,
                kDefaultMaxBufferSize, MegabytesPerSecond(taken, takeSeconds));
    CoUninitialize();
    return 0;
}
