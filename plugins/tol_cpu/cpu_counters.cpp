#include "cpu_counters.h"

#include <windows.h>

#include <cstddef>

namespace {

// The system information blocks that are read, laid out as the system writes them.
constexpr ULONG kBasicInformation = 0;
constexpr ULONG kProcessorPerformanceInformation = 8;

struct SystemBasicInformation {
    ULONG reserved;
    ULONG timerResolution;
    ULONG pageSize;
    ULONG physicalPages;
    ULONG lowestPhysicalPage;
    ULONG highestPhysicalPage;
    ULONG allocationGranularity;
    ULONG_PTR lowestUserAddress;
    ULONG_PTR highestUserAddress;
    ULONG_PTR activeProcessorsMask;
    signed char numberOfProcessors;
};
#if defined(_WIN64)
static_assert(sizeof(SystemBasicInformation) == 64,
              "basic information: 64 bytes in 64-bit processes");
static_assert(offsetof(SystemBasicInformation, numberOfProcessors) == 56, "processor count at 56");
#else
static_assert(sizeof(SystemBasicInformation) == 44,
              "basic information: 44 bytes in 32-bit processes");
static_assert(offsetof(SystemBasicInformation, numberOfProcessors) == 40, "processor count at 40");
#endif

struct ProcessorPerformanceInformation {
    LARGE_INTEGER idleTime;
    LARGE_INTEGER kernelTime;  // idle time included
    LARGE_INTEGER userTime;
    LARGE_INTEGER dpcTime;
    LARGE_INTEGER interruptTime;
    ULONG interruptCount;
};
static_assert(sizeof(ProcessorPerformanceInformation) == 48, "48 bytes a processor");

using NtQuerySystemInformationFunc = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);

// Looked up once, when the first sampler is set up; null when ntdll has no such entry point.
NtQuerySystemInformationFunc QueryFunction()
{
    static const NtQuerySystemInformationFunc query = [] {
        HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");  // always loaded: no reference taken
        return ntdll ? reinterpret_cast<NtQuerySystemInformationFunc>(reinterpret_cast<void*>(
                           GetProcAddress(ntdll, "NtQuerySystemInformation")))
                     : nullptr;
    }();
    return query;
}

uint64_t Ticks(const LARGE_INTEGER& value)
{
    return static_cast<uint64_t>(value.QuadPart);
}

uint64_t Ticks(const FILETIME& value)
{
    return (static_cast<uint64_t>(value.dwHighDateTime) << 32) | value.dwLowDateTime;
}

class CSystemCpuCounters : public ICpuCounters {
public:
    int ProcessorCount() override
    {
        NtQuerySystemInformationFunc query = QueryFunction();
        SystemBasicInformation basic = {};
        if (!query || query(kBasicInformation, &basic, sizeof basic, nullptr) != 0)
            return 0;
        return basic.numberOfProcessors;
    }

    bool ProcessorTimes(int count, std::vector<CpuTimes>* times) override
    {
        NtQuerySystemInformationFunc query = QueryFunction();
        if (!query || count <= 0)
            return false;
        std::vector<ProcessorPerformanceInformation> blocks(static_cast<size_t>(count));
        ULONG length = static_cast<ULONG>(blocks.size() * sizeof(ProcessorPerformanceInformation));
        if (query(kProcessorPerformanceInformation, blocks.data(), length, nullptr) != 0)
            return false;
        times->resize(blocks.size());
        for (size_t i = 0; i < blocks.size(); ++i) {
            (*times)[i].idle = Ticks(blocks[i].idleTime);
            (*times)[i].kernel = Ticks(blocks[i].kernelTime);
            (*times)[i].user = Ticks(blocks[i].userTime);
        }
        return true;
    }

    bool SystemTimes(CpuTimes* times) override
    {
        FILETIME idle, kernel, user;
        if (!GetSystemTimes(&idle, &kernel, &user))
            return false;
        times->idle = Ticks(idle);
        times->kernel = Ticks(kernel);
        times->user = Ticks(user);
        return true;
    }
};

}  // namespace

ICpuCounters& SystemCpuCounters()
{
    static CSystemCpuCounters counters;
    return counters;
}
