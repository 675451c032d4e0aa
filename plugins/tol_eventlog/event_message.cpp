#include "event_message.h"

#include <windows.h>

#include <cwchar>

#include "registry_key.h"

namespace {

constexpr DWORD kPathChars = 261;
constexpr DWORD kValueChars = 2048;  // a list of some files, each up to a path long
constexpr DWORD kMessageMinimumChars = 1024;
constexpr size_t kMessageSlack = 1024;  // characters the message may add to its strings
constexpr DWORD kAsDataFile = LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE;

// ExpandEnvironmentStringsW; the text as it is when it does not expand.
std::wstring ExpandEnvironment(const std::wstring& text)
{
    std::vector<wchar_t> expanded(text.size() + kPathChars);
    for (int attempt = 0; attempt < 2; ++attempt) {
        DWORD needed = ExpandEnvironmentStringsW(text.c_str(), expanded.data(),
                                                 static_cast<DWORD>(expanded.size()));
        if (needed == 0)
            break;
        if (needed <= expanded.size())
            return expanded.data();
        expanded.assign(needed, L'\0');
    }
    return text;
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

std::wstring EventMessageFileValue(const std::wstring& logName, const std::wstring& source)
{
    wchar_t path[kPathChars];
    int written =
        swprintf(path, kPathChars, L"SYSTEM\\CurrentControlSet\\Services\\EventLog\\%ls\\%ls",
                 logName.c_str(), source.c_str());
    if (written < 0 || static_cast<DWORD>(written) >= kPathChars)
        return std::wstring();  // a cut path could name another source's key
    CRegistryKey key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, key.Put()) != ERROR_SUCCESS)
        return std::wstring();
    std::vector<wchar_t> raw(kValueChars + 1, L'\0');
    DWORD bytes = kValueChars * sizeof(wchar_t);  // room for the NUL the value may lack
    DWORD kind = 0;
    if (RegQueryValueExW(key.Get(), L"EventMessageFile", nullptr, &kind,
                         reinterpret_cast<BYTE*>(raw.data()), &bytes) != ERROR_SUCCESS ||
        (kind != REG_SZ && kind != REG_EXPAND_SZ))
        return std::wstring();
    raw[bytes / sizeof(wchar_t)] = L'\0';
    return raw.data();
}

std::vector<MessageFile> EventMessageFiles(const std::wstring& logName, const std::wstring& source)
{
    std::wstring value = EventMessageFileValue(logName, source);
    if (value.empty())
        return std::vector<MessageFile>();
    return MessageFileCandidates(value, ExpandEnvironment, LocalMessageFileSystem());
}

HMODULE LoadMessageFile(const MessageFile& file)
{
    HMODULE module =
        file.path.empty() ? nullptr : LoadLibraryExW(file.path.c_str(), nullptr, kAsDataFile);
    if (!module && !file.nativePath.empty())
        module = LoadLibraryExW(file.nativePath.c_str(), nullptr, kAsDataFile);
    return module;
}

bool HoldsEventMessage(HMODULE module, DWORD eventId)
{
    wchar_t* message = nullptr;
    DWORD chars =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_HMODULE |
                           FORMAT_MESSAGE_IGNORE_INSERTS,
                       module, eventId, 0, reinterpret_cast<wchar_t*>(&message), 0, nullptr);
    if (message)
        LocalFree(message);
    return chars != 0;
}

bool FormatEventMessage(HMODULE module, DWORD eventId, const std::vector<std::wstring>& strings,
                        size_t maxChars, std::wstring* text)
{
    // Every insert the message may name finds an argument: the record's strings, then empty
    // strings, so a message that asks for more than the record carries reads nothing beyond.
    std::vector<DWORD_PTR> arguments(
        strings.size() > kMessageInserts ? strings.size() + 2 : kMessageInserts + 2,
        reinterpret_cast<DWORD_PTR>(L""));
    for (size_t i = 0; i < strings.size(); ++i)
        arguments[i] = reinterpret_cast<DWORD_PTR>(strings[i].c_str());
    wchar_t* message = nullptr;
    DWORD chars =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_HMODULE |
                           FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ARGUMENT_ARRAY,
                       module, eventId, 0, reinterpret_cast<wchar_t*>(&message),
                       kMessageMinimumChars, reinterpret_cast<va_list*>(arguments.data()));
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
    MessageFile candidate;
    candidate.path = file;
    HMODULE module = LoadMessageFile(candidate);
    if (!module)
        return false;
    bool formatted = FormatEventMessage(module, eventId, strings, maxChars, text);
    FreeLibrary(module);
    return formatted;
}

CEventMessages::~CEventMessages()
{
    for (const auto& source : m_modules) {
        for (HMODULE module : source.second)
            FreeLibrary(module);
    }
}

const std::vector<HMODULE>& CEventMessages::ModulesOf(const std::wstring& source)
{
    auto found = m_modules.find(source);
    if (found != m_modules.end())
        return found->second;
    std::vector<HMODULE>& modules = m_modules[source];
    for (const MessageFile& file : EventMessageFiles(m_logName, source)) {
        if (HMODULE module = LoadMessageFile(file))
            modules.push_back(module);
    }
    return modules;
}

std::wstring CEventMessages::MessageText(const EventRecordView& record)
{
    if (record.strings.empty())
        return std::wstring();
    const std::vector<HMODULE>& modules = ModulesOf(record.source);
    size_t maxChars = record.stringBytes + kMessageSlack;
    std::wstring formatted;
    for (HMODULE module : modules) {
        if (HoldsEventMessage(module, record.eventId) &&
            FormatEventMessage(module, record.eventId, record.strings, maxChars, &formatted))
            return formatted;
    }
    // No file holds it: the system's own table, where FormatMessage looks after the file.
    if (!modules.empty() &&
        FormatEventMessage(modules.front(), record.eventId, record.strings, maxChars, &formatted))
        return formatted;
    return JoinInsertionStrings(record.strings);
}
