#include "standin_copy.h"

#include <new>

namespace {

struct CopyJob {
    std::vector<StandInItem> items;
    std::wstring destination;
    DWORD delay;
};

DWORD ReadSwitch(HKEY key, const wchar_t* name)
{
    DWORD value = 0;
    DWORD size = sizeof(value);
    DWORD type = 0;
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) !=
            ERROR_SUCCESS ||
        type != REG_DWORD)
        return 0;
    return value;
}

// The copy thread keeps this DLL loaded until it ends.
DWORD WINAPI CopyThread(void* argument)
{
    CopyJob* job = static_cast<CopyJob*>(argument);
    Sleep(job->delay);
    for (const StandInItem& item : job->items)
        CopyStandInItem(item, job->destination);
    delete job;
    HMODULE self = nullptr;
    GetModuleHandleExW(
        GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
        reinterpret_cast<LPCWSTR>(&CopyThread), &self);
    FreeLibraryAndExitThread(self, 0);
    return 0;
}

}  // namespace

StandInCopySwitches ReadCopySwitches()
{
    StandInCopySwitches switches;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, TOL_STANDIN_SWITCHES_KEY, 0, KEY_READ, &key) !=
        ERROR_SUCCESS)
        return switches;
    switches.delay = ReadSwitch(key, L"CopyDelay");
    switches.fails = ReadSwitch(key, L"CopyFails") != 0;
    switches.leaveOut = ReadSwitch(key, L"CopyLeavesOut");
    RegCloseKey(key);
    return switches;
}

HRESULT StartStandInCopy(const std::vector<StandInItem>& items, const std::wstring& destination,
                         const StandInCopySwitches& switches)
{
    if (switches.fails)
        return E_FAIL;
    auto* job = new (std::nothrow) CopyJob{items, destination, switches.delay};
    if (!job)
        return E_OUTOFMEMORY;
    size_t kept = job->items.size() > switches.leaveOut ? job->items.size() - switches.leaveOut : 0;
    job->items.resize(kept);
    HMODULE self = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                            reinterpret_cast<LPCWSTR>(&CopyThread), &self)) {
        delete job;
        return E_FAIL;
    }
    HANDLE thread = CreateThread(nullptr, 0, &CopyThread, job, 0, nullptr);
    if (!thread) {
        delete job;
        FreeLibrary(self);
        return E_FAIL;
    }
    CloseHandle(thread);
    return S_OK;
}
