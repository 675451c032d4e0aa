// compress2 throughput on full send-cache buffers (120 KB): through zlibwapi.dll's stdcall
// export beside the static zlib's own compress2, on the same bytes in the same run.
#include <windows.h>
#include <zlib.h>

#include <cstdio>
#include <vector>

namespace {

using Compress2Fn = int(WINAPI*)(unsigned char*, unsigned long*, const unsigned char*,
                                 unsigned long, int);

constexpr unsigned long kBufferSize = 122880;
constexpr int kRounds = 200;

// A buffer of result records as the plug-ins fill it: headers, counters, time stamps, texts.
std::vector<unsigned char> CacheBuffer()
{
    std::vector<unsigned char> bytes;
    bytes.reserve(kBufferSize);
    unsigned seed = 4242;
    const char* texts[] = {"tol_icmp: 127.0.0.1 answered", "C:\\ free space", "N/A",
                           "svchost.exe", "Ethernet adapter"};
    while (bytes.size() < kBufferSize) {
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
    bytes.resize(kBufferSize);
    return bytes;
}

double Seconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(to.QuadPart - from.QuadPart) / frequency.QuadPart;
}

template <typename Compress>
bool Measure(const char* label, const std::vector<unsigned char>& input, Compress compress)
{
    std::vector<unsigned char> out(compressBound(kBufferSize));
    unsigned long packed = 0;
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    for (int round = 0; round < kRounds; ++round) {
        packed = static_cast<unsigned long>(out.size());
        if (compress(out.data(), &packed, input.data(), kBufferSize, Z_DEFAULT_COMPRESSION) != Z_OK) {
            std::printf("%s: compress2 failed\n", label);
            return false;
        }
    }
    QueryPerformanceCounter(&end);
    double seconds = Seconds(start, end);
    double megabytes = static_cast<double>(kBufferSize) * kRounds / (1024.0 * 1024.0);
    std::printf("%-22s %8.1f MB/s  (%d x %lu bytes -> %lu bytes, %.3f s)\n", label,
                megabytes / seconds, kRounds, kBufferSize, packed, seconds);
    return true;
}

}  // namespace

int main()
{
    HMODULE module = LoadLibraryW(L"zlibwapi.dll");
    if (!module) {
        std::printf("zlibwapi.dll not found beside the benchmark\n");
        return 1;
    }
    auto wapiCompress2 = reinterpret_cast<Compress2Fn>(
        reinterpret_cast<void*>(GetProcAddress(module, "compress2")));
    if (!wapiCompress2) {
        std::printf("zlibwapi.dll lacks compress2\n");
        FreeLibrary(module);
        return 1;
    }
    std::vector<unsigned char> input = CacheBuffer();
    std::printf("compress2, default level, zlib %s\n", zlibVersion());
    bool ok = Measure("zlibwapi.dll (stdcall)", input, wapiCompress2) &&
              Measure("static libz (cdecl)", input,
                      [](unsigned char* d, unsigned long* dl, const unsigned char* s,
                         unsigned long sl, int level) { return compress2(d, dl, s, sl, level); });
    FreeLibrary(module);
    return ok ? 0 : 1;
}
