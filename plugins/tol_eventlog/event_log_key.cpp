#include "event_log_key.h"

#include "registry_key.h"

namespace {

constexpr wchar_t kEventLogKey[] = L"SYSTEM\\CurrentControlSet\\Services\\EventLog\\";
constexpr size_t kKeyNameChars = 255;  // the longest name of one registry key

// A log is one key directly below the event log's key: a name with a backslash would name a
// source's key inside some log instead.
bool CanNameLogKey(const std::wstring& logName)
{
    return !logName.empty() && logName.size() <= kKeyNameChars &&
           logName.find(L'\\') == std::wstring::npos;
}

}  // namespace

DWORD FindEventLogKey(const std::wstring& host, const std::wstring& logName)
{
    if (!CanNameLogKey(logName))
        return ERROR_FILE_NOT_FOUND;
    HKEY root = HKEY_LOCAL_MACHINE;
    CRegistryKey remote;
    if (!host.empty()) {
        if (RegConnectRegistryW(host.c_str(), HKEY_LOCAL_MACHINE, remote.Put()) != ERROR_SUCCESS)
            return 0;
        root = remote.Get();
    }
    CRegistryKey key;
    std::wstring path = kEventLogKey + logName;
    LONG status = RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, key.Put());
    return status == ERROR_FILE_NOT_FOUND ? ERROR_FILE_NOT_FOUND : 0;
}
