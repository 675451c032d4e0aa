// The send path on full send-cache buffers (122,880 bytes of result records): AddToCache
// (each result opens a buffer, the oldest dropped beyond the count), TakeSendBlock (oldest
// into flight, a heap copy out, then the send done) and the compression of a send block
// through the agent's zlibwapi.dll binding, beside the static zlib's own compress2 on the
// same bytes in the same run. Prints MB/s; passes or fails on nothing.
#include "heap_helpers.h"
#include "main_worker.h"

#include <windows.h>
#include <zlib.h>

#include <cstdio>
#include <vector>

namespace {

constexpr unsigned kRounds = 200;

class CBenchEngine : public CMainWorker {
public:
    void FinishSend()
    {
        SysFreeString(m_inFlight);
        m_inFlight = nullptr;
    }
};

// A buffer of result records as the plug-ins fill it: headers, counters, time stamps, texts.
std::vector<unsigned char> CacheBuffer()
{
    std::vector<unsigned char> bytes;
    bytes.reserve(kDefaultMaxBufferSize);
    unsigned seed = 4242;
    const char* texts[] = {"tol_icmp: 127.0.0.1 answered", "C:\\ free space", "N/A", "svchost.exe",
                           "Ethernet adapter"};
    while (bytes.size() < kDefaultMaxBufferSize) {
        seed = seed * 1103515245u + 12345u;
        unsigned words[12] = {96, 0, 3, 1, 0, 2, 1, 0, 48, seed % 500, 7, seed >> 20};
        for (unsigned w : words)
            for (int i = 0; i < 4; ++i)
                bytes.push_back(static_cast<unsigned char>(w >> (8 * i)));
        const char* text = texts[seed % 5];
        while (*text)
            bytes.push_back(static_cast<unsigned char>(*text++));
        bytes.push_back(0);
    }
    bytes.resize(kDefaultMaxBufferSize);
    return bytes;
}

class CStopwatch {
public:
    CStopwatch() { QueryPerformanceCounter(&m_start); }
    double Seconds() const
    {
        LARGE_INTEGER now, frequency;
        QueryPerformanceCounter(&now);
        QueryPerformanceFrequency(&frequency);
        return static_cast<double>(now.QuadPart - m_start.QuadPart) /
               static_cast<double>(frequency.QuadPart);
    }

private:
    LARGE_INTEGER m_start;
};

void PrintRate(const char* label, unsigned buffers, double seconds, const char* note = "")
{
    double megabytes = static_cast<double>(buffers) * kDefaultMaxBufferSize / (1024.0 * 1024.0);
    std::printf("%-34s %9.1f MB/s  (%u buffers, %.3f s)%s\n", label,
                seconds > 0 ? megabytes / seconds : 0.0, buffers, seconds, note);
}

void MeasureCache(CBenchEngine& engine, BSTR result)
{
    double addSeconds = 0;
    double takeSeconds = 0;
    unsigned taken = 0;
    for (unsigned round = 0; round < kRounds; ++round) {
        CStopwatch adding;
        for (unsigned i = 0; i < kDefaultMaxBufferCount; ++i)
            engine.AddToCache(result);
        addSeconds += adding.Seconds();

        CStopwatch taking;
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
        takeSeconds += taking.Seconds();
    }
    PrintRate("AddToCache", kRounds * kDefaultMaxBufferCount, addSeconds);
    PrintRate("TakeSendBlock", taken, takeSeconds);
}

void MeasureAgentCompression(const CZlibBinding& zlib, const std::vector<unsigned char>& input)
{
    unsigned long packedLength = 0;
    CStopwatch watch;
    for (unsigned round = 0; round < kRounds; ++round) {
        unsigned char* packed = nullptr;
        if (!zlib.CompressBlock(input.data(), kDefaultMaxBufferSize, &packed, &packedLength)) {
            std::printf("compress2 through zlibwapi.dll failed\n");
            return;
        }
        FreeHeapBlock(packed);
    }
    char note[64];
    std::snprintf(note, sizeof(note), " -> %lu bytes", packedLength);
    PrintRate("compress2 via zlibwapi.dll", kRounds, watch.Seconds(), note);
}

void MeasureStaticCompression(const std::vector<unsigned char>& input)
{
    std::vector<unsigned char> out(compressBound(kDefaultMaxBufferSize));
    unsigned long packedLength = 0;
    CStopwatch watch;
    for (unsigned round = 0; round < kRounds; ++round) {
        packedLength = static_cast<unsigned long>(out.size());
        if (compress2(out.data(), &packedLength, input.data(), kDefaultMaxBufferSize,
                      Z_DEFAULT_COMPRESSION) != Z_OK) {
            std::printf("compress2 of the static zlib failed\n");
            return;
        }
    }
    char note[64];
    std::snprintf(note, sizeof(note), " -> %lu bytes", packedLength);
    PrintRate("compress2 in static libz", kRounds, watch.Seconds(), note);
}

}  // namespace

int main()
{
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    std::vector<unsigned char> input = CacheBuffer();
    BSTR result =
        SysAllocStringByteLen(reinterpret_cast<const char*>(input.data()), kDefaultMaxBufferSize);
    int rc = 1;
    if (result) {
        CBenchEngine engine;
        engine.SetAuthorized(true);
        std::printf("buffers of %u bytes, cache of %u buffers, zlib %s\n", kDefaultMaxBufferSize,
                    kDefaultMaxBufferCount, zlibVersion());
        MeasureCache(engine, result);
        if (engine.IsZlibPresent()) {
            MeasureAgentCompression(engine.Zlib(), input);
            rc = 0;
        } else {
            std::printf("zlibwapi.dll not found beside the benchmark\n");
        }
        MeasureStaticCompression(input);
        SysFreeString(result);
    }
    CoUninitialize();
    return rc;
}
