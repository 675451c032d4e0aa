#include "agent_settings.h"

#include "heap_helpers.h"
#include "registry_paths.h"

CAgentSettings::CAgentSettings()
{
    m_agentOpen =
        m_agentKey.Open(HKEY_LOCAL_MACHINE, TOL_REG_AGENT_KEY, kAgentKeyAccess) == ERROR_SUCCESS;
    m_settingsOpen = m_settingsKey.Open(HKEY_LOCAL_MACHINE, TOL_REG_SETTINGS_KEY,
                                        kAgentKeyAccess) == ERROR_SUCCESS;
}

bool CAgentSettings::CreateAgentKey()
{
    // Create replaces the handle held before only when the new key opened.
    if (m_agentKey.Create(HKEY_LOCAL_MACHINE, TOL_REG_AGENT_KEY, kAgentKeyAccess) != ERROR_SUCCESS)
        return false;
    m_agentOpen = true;
    return true;
}

bool CAgentSettings::DeleteAgentKey()
{
    m_agentOpen = false;
    if (m_agentKey.Open(HKEY_LOCAL_MACHINE, TOL_REG_ROOT, kAgentKeyAccess) != ERROR_SUCCESS) {
        m_agentKey.Close();
        return false;
    }
    LONG rc = RegDeleteTreeW(m_agentKey.Get(), L"Agent");
    m_agentKey.Close();
    return rc == ERROR_SUCCESS;
}

void CAgentSettings::CloseKeys()
{
    m_agentKey.Close();
    m_settingsKey.Close();
    m_agentOpen = false;
    m_settingsOpen = false;
}

char* ReadRegistryTextUtf8(HKEY key, const wchar_t* name)
{
    if (!key)
        return nullptr;
    DWORD type = 0;
    DWORD bytes = 0;
    if (RegQueryValueExW(key, name, nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS)
        return nullptr;
    if (type != REG_SZ && type != REG_EXPAND_SZ)
        return nullptr;
    DWORD chars = bytes / sizeof(wchar_t);
    wchar_t* buffer = static_cast<wchar_t*>(HeapAllocZero((chars + 1) * sizeof(wchar_t)));
    if (!buffer)
        return nullptr;
    DWORD read = bytes;
    char* text = nullptr;
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &read) ==
            ERROR_SUCCESS &&
        (type == REG_SZ || type == REG_EXPAND_SZ)) {
        DWORD readChars = read / sizeof(wchar_t);
        if (readChars > 0 && buffer[readChars - 1] == L'\0')
            text = WideToMultiByteAlloc(buffer, CP_UTF8);
    }
    FreeHeapBlock(buffer);
    return text;
}

bool WriteRegistryTextUtf8(HKEY key, const wchar_t* name, const char* text)
{
    wchar_t* wide = MultiByteToWideAlloc(text, CP_UTF8);
    if (!wide)
        return false;
    DWORD bytes = static_cast<DWORD>((wcslen(wide) + 1) * sizeof(wchar_t));
    LONG rc = RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(wide), bytes);
    FreeHeapBlock(wide);
    return rc == ERROR_SUCCESS;
}

char* CAgentSettings::GetAgentText(const wchar_t* name)
{
    return m_agentOpen ? ReadRegistryTextUtf8(m_agentKey.Get(), name) : nullptr;
}

bool CAgentSettings::SetAgentText(const wchar_t* name, const char* text)
{
    if (!m_agentOpen || !text || !*text)
        return false;
    return WriteRegistryTextUtf8(m_agentKey.Get(), name, text);
}

char* CAgentSettings::GetSettingsText(const wchar_t* name)
{
    return m_settingsOpen ? ReadRegistryTextUtf8(m_settingsKey.Get(), name) : nullptr;
}

bool CAgentSettings::SetSettingsText(const wchar_t* name, const char* text)
{
    if (!m_settingsOpen)
        return false;
    return WriteRegistryTextUtf8(m_settingsKey.Get(), name, text ? text : "");
}

DWORD CAgentSettings::GetSettingsDWord(const wchar_t* name, DWORD defaultValue)
{
    if (!m_settingsOpen)
        return 0;
    DWORD type = 0;
    DWORD value = 0;
    DWORD bytes = sizeof(value);
    if (RegQueryValueExW(m_settingsKey.Get(), name, nullptr, &type, reinterpret_cast<BYTE*>(&value),
                         &bytes) != ERROR_SUCCESS ||
        type != REG_DWORD)
        return defaultValue;
    return value;
}

bool CAgentSettings::SetTraceValue(DWORD value)
{
    if (!m_settingsOpen)
        return false;
    return RegSetValueExW(m_settingsKey.Get(), L"Trace", 0, REG_DWORD,
                          reinterpret_cast<const BYTE*>(&value), sizeof(value)) == ERROR_SUCCESS;
}
