// The agent's registry settings: the Agent key (registration) and the Settings key.
// Texts come and go as UTF-8 process-heap blocks freed with FreeHeapBlock.
#pragma once

#include "reg_key.h"

class CAgentSettings {
public:
    CAgentSettings();
    CAgentSettings(const CAgentSettings&) = delete;
    CAgentSettings& operator=(const CAgentSettings&) = delete;

    bool CreateAgentKey();
    bool DeleteAgentKey();
    void CloseKeys();

    char* GetAgentText(const wchar_t* name);
    bool SetAgentText(const wchar_t* name, const char* text);
    char* GetSettingsText(const wchar_t* name);
    bool SetSettingsText(const wchar_t* name, const char* text);
    DWORD GetSettingsDWord(const wchar_t* name, DWORD defaultValue);
    bool SetTraceValue(DWORD value);

    char* GetEMail() { return GetAgentText(L"E-Mail"); }
    bool SetEMail(const char* text) { return SetAgentText(L"E-Mail", text); }
    char* GetPassword() { return GetAgentText(L"Password"); }
    bool SetPassword(const char* text) { return SetAgentText(L"Password", text); }
    char* GetAgentName() { return GetAgentText(L"Agent Name"); }
    bool SetAgentName(const char* text) { return SetAgentText(L"Agent Name", text); }
    char* GetHost() { return GetSettingsText(L"Host"); }
    char* GetVersion() { return GetSettingsText(L"Version"); }
    char* GetProxySetting() { return GetSettingsText(L"Proxy"); }
    bool SetProxySetting(const char* text) { return SetSettingsText(L"Proxy", text); }
    DWORD GetTrace() { return GetSettingsDWord(L"Trace", 0); }

    bool IsAgentKeyOpen() const { return m_agentOpen; }
    bool IsSettingsKeyOpen() const { return m_settingsOpen; }

private:
    CRegKeyHandle m_agentKey;
    CRegKeyHandle m_settingsKey;
    bool m_agentOpen = false;
    bool m_settingsOpen = false;
};

// Reads a REG_SZ or REG_EXPAND_SZ value (unexpanded) as a UTF-8 heap text; null when the key is
// null, the value is missing, of another type or not NUL-terminated.
char* ReadRegistryTextUtf8(HKEY key, const wchar_t* name);
// Writes a UTF-8 text as REG_SZ.
bool WriteRegistryTextUtf8(HKEY key, const wchar_t* name, const char* text);
