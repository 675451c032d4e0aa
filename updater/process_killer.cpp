#include "process_killer.h"

#include "update_log.h"

#include <tlhelp32.h>

namespace {

constexpr int kKillRounds = 99;
constexpr DWORD kKillPause = 500;

}  // namespace

HANDLE FindProcessByName(const wchar_t* name)
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return nullptr;
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot, &entry); more;
         more = Process32NextW(snapshot, &entry)) {
        if (lstrcmpiW(entry.szExeFile, name) == 0) {
            CloseHandle(snapshot);
            return OpenProcess(PROCESS_ALL_ACCESS, FALSE, entry.th32ProcessID);
        }
    }
    CloseHandle(snapshot);
    return nullptr;
}

void KillProcessesByName(const wchar_t* name)
{
    WriteUpdateLogFormat("Searching for process '%s'...", LogText(name).c_str());
    for (int round = 0; round < kKillRounds; ++round) {
        HANDLE process = FindProcessByName(name);
        if (!process)
            return;
        WriteUpdateLog("Process found. Terminating...");
        TerminateProcess(process, 0xFFFFFFFF);
        CloseHandle(process);
        Sleep(kKillPause);
    }
}
