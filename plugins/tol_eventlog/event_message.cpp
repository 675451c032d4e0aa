#include "event_message.h"

#include <windows.h>

#include <cwchar>

namespace {

constexpr DWORD kPathChars = 261;
constexpr DWORD kMessageMinimumChars = 1024;
constexpr size_t kMessageSlack = 1024;  // characters the message may add to its strings

class CRegKey {
public:
    ~CRegKey()
    {
        if (m_key)
            RegCloseKey(m_key);
    }
    bool OpenForReading(HKEY root, const wchar_t* path)
    {
        return RegOpenKeyExW(root, path, 0, KEY_READ, &m_key) == ERROR_SUCCESS;
    }
    HKEY Get() const { return m_key; }

private:
    HKEY m_key = nullptr;
};

HMODULE LoadMessageFile(const std::wstring& file)
{
    return file.empty() ? nullptr
                        : LoadLibraryExW(file.c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES);
}

}  // namespace

std::wstring JoinInsertionStrings(const std::vector<std::wstring>& strings)
{
    std::wstring joined;
    for (size_t i = 0; i < strings.size(); ++i) {
        if (i > 0)
            joined += L',';
        joined += strings[i];
    }
    return joined;
}

std::wstring EventMessageFile(const std::wstring& logName, const std::wstring& source)
{
    wchar_t path[kPathChars];
    int written = swprintf(path, kPathChars,
                           L"SYSTEM\\CurrentControlSet\\Services\\EventLog\\%ls\\%ls",
                           logName.c_str(), source.c_str());
    if (written < 0 || static_cast<DWORD>(written) >= kPathChars)
        return std::wstring();  // a cut path could name another source's key
    CRegKey key;
    if (!key.OpenForReading(HKEY_LOCAL_MACHINE, path))
        return std::wstring();
    wchar_t raw[kPathChars] = {};
    DWORD bytes = sizeof raw - sizeof(wchar_t);  // room for the NUL the value may lack
    DWORD kind = 0;
    if (RegQueryValueExW(key.Get(), L"EventMessageFile", nullptr, &kind,
                         reinterpret_cast<BYTE*>(raw), &bytes) != ERROR_SUCCESS ||
        (kind != REG_SZ && kind != REG_EXPAND_SZ))
        return std::wstring();
    raw[bytes / sizeof(wchar_t)] = L'\0';
    wchar_t expanded[kPathChars];
    DWORD needed = ExpandEnvironmentStringsW(raw, expanded, kPathChars);
    if (needed == 0 || needed > kPathChars)
        return raw;
    return expanded;
}

bool FormatEventMessage(HMODULE module, DWORD eventId, const std::vector<std::wstring>& strings,
                        size_t maxChars, std::wstring* text)
{
    // Every insert the message may name finds an argument: the record's strings, then empty
    // strings, so a message that asks for more than the record carries reads nothing beyond.
    std::vector<DWORD_PTR> arguments(strings.size() > kMessageInserts ? strings.size() + 2
                                                                      : kMessageInserts + 2,
                                     reinterpret_cast<DWORD_PTR>(L""));
    for (size_t i = 0; i < strings.size(); ++i)
        arguments[i] = reinterpret_cast<DWORD_PTR>(strings[i].c_str());
    wchar_t* message = nullptr;
    DWORD chars = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_HMODULE |
                                     FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ARGUMENT_ARRAY,
                                 module, eventId, 0, reinterpret_cast<wchar_t*>(&message),
                                 kMessageMinimumChars,
                                 reinterpret_cast<va_list*>(arguments.data()));
    if (chars == 0 || !message) {
        if (message)
            LocalFree(message);
        return false;
    }
    text->assign(message, chars < maxChars ? chars : maxChars);
    LocalFree(message);
    return true;
}

bool FormatEventMessage(const std::wstring& file, DWORD eventId,
                        const std::vector<std::wstring>& strings, size_t maxChars,
                        std::wstring* text)
{
    HMODULE module = LoadMessageFile(file);
    if (!module)
        return false;
    bool formatted = FormatEventMessage(module, eventId, strings, maxChars, text);
    FreeLibrary(module);
    return formatted;
}

CEventMessages::~CEventMessages()
{
    for (const auto& source : m_modules) {
        if (source.second)
            FreeLibrary(source.second);
    }
}

HMODULE CEventMessages::ModuleOf(const std::wstring& source)
{
    auto found = m_modules.find(source);
    if (found != m_modules.end())
        return found->second;
    HMODULE module = LoadMessageFile(EventMessageFile(m_logName, source));
    m_modules[source] = module;
    return module;
}

std::wstring CEventMessages::MessageText(const EventRecordView& record)
{
    if (record.strings.empty())
        return std::wstring();
    HMODULE module = ModuleOf(record.source);
    std::wstring formatted;
    if (module && FormatEventMessage(module, record.eventId, record.strings,
                                     record.stringBytes + kMessageSlack, &formatted))
        return formatted;
    return JoinInsertionStrings(record.strings);
}
