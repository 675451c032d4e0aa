// Runs the work engine's exchange with a server for a few ticks and prints every status it
// fires, one line each: "<status> <text>". Arguments: the Host address (as the Host setting
// takes it), the e-mail, the agent name, the number of ticks, then optionally "--nozlib"
// (send without compression) and "--data=TEXT" (bytes put in the send cache first).
// Writes the Host setting for the run and removes it and the stored registration after.
#include "main_worker.h"
#include "registry_paths.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>

namespace {

class CPrintingReceiver : public IStatusReceiver {
public:
    void LockReceiver() override {}
    void UnlockReceiver() override {}
    HRESULT Fire_StatusChanged(long status, VARIANT text) override
    {
        const wchar_t* value = V_VT(&text) == VT_BSTR && V_BSTR(&text) ? V_BSTR(&text) : L"";
        std::wprintf(L"%ld %ls\n", status, value);
        std::fflush(stdout);
        return S_OK;
    }
};

class CProbeEngine : public CMainWorker {
public:
    void Tick() { MainLoopTick(); }
    void DropZlib() { m_zlibPresent = false; }
    void AddData(const std::string& bytes)
    {
        BSTR buffer = SysAllocStringByteLen(bytes.data(), static_cast<UINT>(bytes.size()));
        AddToCache(buffer);
        SysFreeString(buffer);
    }
};

bool WriteHostSetting(const wchar_t* host)
{
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, TOL_REG_SETTINGS_KEY, 0, nullptr, 0, KEY_ALL_ACCESS,
                        nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;
    LONG rc = RegSetValueExW(key, L"Host", 0, REG_SZ, reinterpret_cast<const BYTE*>(host),
                             static_cast<DWORD>((wcslen(host) + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    return rc == ERROR_SUCCESS;
}

void RemoveSettings()
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, TOL_REG_SETTINGS_KEY, 0, KEY_ALL_ACCESS, &key) ==
        ERROR_SUCCESS) {
        RegDeleteValueW(key, L"Host");
        RegCloseKey(key);
    }
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, TOL_REG_AGENT_KEY);
}

std::string Narrow(const wchar_t* text)
{
    std::string result;
    for (; *text; ++text)
        result += static_cast<char>(*text);
    return result;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 5) {
        std::fwprintf(stderr, L"usage: exchange_probe host e-mail name ticks [--nozlib] [--data=TEXT]\n");
        return 2;
    }
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, TOL_REG_AGENT_KEY);
    if (!WriteHostSetting(argv[1]))
        return 3;
    int ticks = std::wcstol(argv[4], nullptr, 10);
    {
        CProbeEngine engine;
        for (int index = 5; index < argc; ++index) {
            if (std::wcscmp(argv[index], L"--nozlib") == 0)
                engine.DropZlib();
            else if (std::wcsncmp(argv[index], L"--data=", 7) == 0)
                engine.AddData(Narrow(argv[index] + 7));
        }
        CPrintingReceiver receiver;
        engine.AddAgentObject(&receiver);
        engine.RegisterAgent(Narrow(argv[2]).c_str(), Narrow(argv[3]).c_str(), "secret");
        for (int tick = 0; tick < ticks && engine.GetLastStatus() != STATUS_AUTH_FAILED; ++tick)
            engine.Tick();
        engine.RemoveAgentObject(&receiver);
    }
    RemoveSettings();
    return 0;
}
