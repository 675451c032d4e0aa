// proc_probe: processes for the process plug-in's tests and benchmark, and a second opinion
// on their memory figures.
//
//     proc_probe spin <threads> <megabytes>   holds that much memory, written page by page,
//                                             keeps <threads> threads busy (0: idle) and runs
//                                             until it is ended; prints "pid <id>" first
//     proc_probe memory <pid>                 prints "wss <bytes> pfs <bytes>" as
//                                             GetProcessMemoryInfo reads them for that process
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>

namespace {

volatile LONG g_sink;

DWORD WINAPI Spin(void*)
{
    for (;;)
        InterlockedIncrement(&g_sink);
}

int RunSpin(int threads, int megabytes)
{
    SIZE_T bytes = static_cast<SIZE_T>(megabytes) * 1024 * 1024;
    if (bytes) {
        auto* memory = static_cast<volatile char*>(
            VirtualAlloc(nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
        if (!memory)
            return 3;
        for (SIZE_T at = 0; at < bytes; at += 4096)
            memory[at] = 1;
    }
    for (int i = 0; i < threads; ++i)
        CloseHandle(CreateThread(nullptr, 0, Spin, nullptr, 0, nullptr));
    printf("pid %lu\n", GetCurrentProcessId());
    fflush(stdout);
    Sleep(INFINITE);
    return 0;
}

int PrintMemory(DWORD pid)
{
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
    if (!process)
        return 3;
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    BOOL read = GetProcessMemoryInfo(process, &counters, sizeof counters);
    CloseHandle(process);
    if (!read)
        return 4;
    printf("wss %llu pfs %llu\n", static_cast<unsigned long long>(counters.WorkingSetSize),
           static_cast<unsigned long long>(counters.PagefileUsage));
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc == 4 && wcscmp(argv[1], L"spin") == 0)
        return RunSpin(_wtoi(argv[2]), _wtoi(argv[3]));
    if (argc == 3 && wcscmp(argv[1], L"memory") == 0)
        return PrintMemory(static_cast<DWORD>(wcstoul(argv[2], nullptr, 10)));
    fwprintf(stderr, L"usage: proc_probe spin <threads> <megabytes> | memory <pid>\n");
    return 2;
}
