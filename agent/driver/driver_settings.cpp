#include "driver_settings.h"

#include "registry_paths.h"

#include <windows.h>

#include <cwchar>

namespace {

bool WriteSetting(HKEY key, const wchar_t* name, const wchar_t* value)
{
    if (!value) {
        RegDeleteValueW(key, name);
        return true;
    }
    DWORD bytes = static_cast<DWORD>((std::wcslen(value) + 1) * sizeof(wchar_t));
    return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value), bytes) ==
           ERROR_SUCCESS;
}

}  // namespace

CDriverSettings::CDriverSettings(const wchar_t* host, const wchar_t* proxy) : m_written(false)
{
    // A registration left by an earlier run would start work inside the engine's constructor.
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, TOL_REG_AGENT_KEY);
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, TOL_REG_SETTINGS_KEY, 0, nullptr, 0, KEY_ALL_ACCESS,
                        nullptr, &key, nullptr) != ERROR_SUCCESS)
        return;
    m_written = WriteSetting(key, L"Host", host) && WriteSetting(key, L"Proxy", proxy);
    RegCloseKey(key);
}

CDriverSettings::~CDriverSettings()
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, TOL_REG_SETTINGS_KEY, 0, KEY_ALL_ACCESS, &key) ==
        ERROR_SUCCESS) {
        RegDeleteValueW(key, L"Host");
        RegDeleteValueW(key, L"Proxy");
        RegCloseKey(key);
    }
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, TOL_REG_AGENT_KEY);
}
