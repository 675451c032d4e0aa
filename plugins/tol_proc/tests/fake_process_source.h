// CFakeProcessSource: a host whose processes, CPU times, memory figures and clock the test
// sets; what the plug-in's judging sees of them, without any platform call.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "process_source.h"

// A UTC time of 5 March 2024 (or another day of that month).
inline SYSTEMTIME ClockTime(int hour, int minute, int second, int ms, int day = 5)
{
    SYSTEMTIME time{};
    time.wYear = 2024;
    time.wMonth = 3;
    time.wDay = static_cast<WORD>(day);
    time.wHour = static_cast<WORD>(hour);
    time.wMinute = static_cast<WORD>(minute);
    time.wSecond = static_cast<WORD>(second);
    time.wMilliseconds = static_cast<WORD>(ms);
    return time;
}

class CFakeProcessSource : public CProcessSource {
public:
    struct Process {
        std::wstring name;
        uint32_t cpuMs = 0;
        uint64_t created = 1;
        double wss = 0;
        double pfs = 0;
        bool openable = true;
        bool timesReadable = true;
    };

    CFakeProcessSource() { SetClock(10, 0, 0, 0); }

    // Runs (or replaces) a process; the snapshot lists processes in pid order.
    Process& Run(DWORD pid, const std::wstring& name)
    {
        Process& process = processes[pid];
        process = Process();
        process.name = name;
        return process;
    }
    void End(DWORD pid) { processes.erase(pid); }

    void SetClock(int hour, int minute, int second, int ms)
    {
        clock = ClockTime(hour, minute, second, ms);
    }
    // Moves the clock on (within one day; wraps round midnight).
    void Advance(int ms)
    {
        int now = ((clock.wHour * 60 + clock.wMinute) * 60 + clock.wSecond) * 1000 +
                  clock.wMilliseconds + ms;
        now %= 24 * 3600 * 1000;
        SetClock(now / 3600000, now / 60000 % 60, now / 1000 % 60, now % 1000);
    }

    bool Snapshot(std::vector<ProcessEntry>* out) override
    {
        ++snapshots;
        if (snapshotFails)
            return false;
        for (const auto& entry : processes)
            out->push_back(ProcessEntry{entry.first, entry.second.name});
        return true;
    }

    bool ReadProcess(DWORD pid, bool withMemory, ProcessReading* out) override
    {
        auto found = processes.find(pid);
        if (found == processes.end() || !found->second.openable)
            return false;
        const Process& process = found->second;
        out->haveCpu = process.timesReadable;
        out->cpu.at = clock;
        out->cpu.cpuMs = process.cpuMs;
        out->cpu.created = process.created;
        if (withMemory) {
            out->wss = process.wss;
            out->pfs = process.pfs;
        }
        return true;
    }

    SYSTEMTIME Now() override { return clock; }
    unsigned ProcessorCount() override { return processors; }

    std::map<DWORD, Process> processes;
    SYSTEMTIME clock{};
    unsigned processors = 1;
    bool snapshotFails = false;
    int snapshots = 0;
};
