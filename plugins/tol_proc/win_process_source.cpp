#include "win_process_source.h"

#include <tlhelp32.h>
#include <psapi.h>

#include <memory>

namespace {

constexpr double kBytesPerMegabyte = 1024.0 * 1024.0;
constexpr ULONGLONG kUnitsPerMs = 10000;  // FILETIME units (100 ns) per millisecond

struct HandleCloser {
    void operator()(HANDLE handle) const
    {
        if (handle && handle != INVALID_HANDLE_VALUE)
            CloseHandle(handle);
    }
};
using ScopedHandle = std::unique_ptr<void, HandleCloser>;

ULONGLONG Units(const FILETIME& time)
{
    return (static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

bool ReadCpu(HANDLE process, CpuReading* out)
{
    FILETIME created, exited, kernel, user;
    GetSystemTime(&out->at);
    if (!GetProcessTimes(process, &created, &exited, &kernel, &user))
        return false;
    out->cpuMs = static_cast<uint32_t>((Units(kernel) + Units(user)) / kUnitsPerMs);
    out->created = Units(created);
    return true;
}

void ReadMemory(HANDLE process, ProcessReading* out)
{
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(process, &counters, sizeof counters))
        return;
    out->wss = static_cast<double>(counters.WorkingSetSize) / kBytesPerMegabyte;
    out->pfs = static_cast<double>(counters.PagefileUsage) / kBytesPerMegabyte;
}

}  // namespace

bool CWinProcessSource::Snapshot(std::vector<ProcessEntry>* out)
{
    ScopedHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (snapshot.get() == INVALID_HANDLE_VALUE)
        return false;
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof entry;
    if (!Process32FirstW(snapshot.get(), &entry))
        return false;
    do {
        ProcessEntry process;
        process.pid = entry.th32ProcessID;
        process.name = entry.szExeFile;
        out->push_back(std::move(process));
    } while (Process32NextW(snapshot.get(), &entry));
    return true;
}

bool CWinProcessSource::ReadProcess(DWORD pid, bool withMemory, ProcessReading* out)
{
    ScopedHandle process(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid));
    if (!process)
        return false;
    out->haveCpu = ReadCpu(process.get(), &out->cpu);
    if (withMemory)
        ReadMemory(process.get(), out);
    return true;
}

SYSTEMTIME CWinProcessSource::Now()
{
    SYSTEMTIME now;
    GetSystemTime(&now);
    return now;
}

unsigned CWinProcessSource::ProcessorCount()
{
    DWORD count = GetActiveProcessorCount(ALL_PROCESSOR_GROUPS);
    if (count == 0) {
        SYSTEM_INFO info;
        GetSystemInfo(&info);
        count = info.dwNumberOfProcessors;
    }
    return count ? count : 1;
}
