#include "scripted_event_log.h"

#include <cstdlib>
#include <deque>
#include <map>
#include <vector>

#include "critical_section.h"
#include "event_record_writer.h"
#include "heap_text.h"
#include "host_script.h"
#include "import_patch.h"
#include "unix_time.h"

namespace {

struct ScriptedLog {
    std::deque<std::vector<BYTE>> records;  // oldest first, consecutive numbers
    DWORD nextNumber = 1;
    DWORD failOpen = 0, failCount = 0, failOldest = 0, failRead = 0;
    int opens = 0;
    int reads = 0;
    double lastPassMs = 0;

    DWORD Oldest() const { return records.empty() ? 0 : nextNumber - DWORD(records.size()); }
};

constexpr wchar_t kLogKeys[] = L"SYSTEM\\CurrentControlSet\\Services\\EventLog\\";

struct OpenLog {
    std::wstring key;
    LARGE_INTEGER openedAt;
};

class CLogs {
public:
    // The keys the script made go with the host.
    ~CLogs()
    {
        for (const std::wstring& key : madeLocalKeys)
            RegDeleteTreeW(HKEY_LOCAL_MACHINE, key.c_str());
        RegDeleteTreeW(HKEY_CURRENT_USER, RemoteRoot().c_str());
    }

    CCriticalSection lock;
    std::map<std::wstring, ScriptedLog> logs;
    std::map<ULONG_PTR, OpenLog> handles;
    ULONG_PTR nextHandle = 0x7100;
    volatile LONG readDelayMs = 0;
    std::vector<std::wstring> madeLocalKeys;    // under HKEY_LOCAL_MACHINE
    std::map<std::wstring, DWORD> remoteHosts;  // host -> error of connecting to its registry

    // Volatile keys of this process under HKEY_CURRENT_USER: one per remote host, standing
    // for its HKEY_LOCAL_MACHINE.
    static std::wstring RemoteRoot()
    {
        return L"Software\\Tolvane plugin_host\\" + std::to_wstring(GetCurrentProcessId());
    }
    static std::wstring RemoteRegistry(const std::wstring& host)
    {
        return RemoteRoot() + L"\\" + host;
    }

    // Under the lock: the log an open handle reads, or null (last error set).
    ScriptedLog* Find(HANDLE handle)
    {
        auto open = handles.find(reinterpret_cast<ULONG_PTR>(handle));
        if (open == handles.end()) {
            SetLastError(ERROR_INVALID_HANDLE);
            return nullptr;
        }
        return &logs[open->second.key];
    }
};

CLogs& Logs()
{
    static CLogs logs;
    return logs;
}

// The host without its leading backslashes; "-" or none is the local machine, "".
std::wstring HostName(const std::wstring& host)
{
    size_t start = host.find_first_not_of(L'\\');
    return host == L"-" || start == std::wstring::npos ? L"" : host.substr(start);
}

// "host|log".
std::wstring LogKey(const std::wstring& host, const std::wstring& log)
{
    return HostName(host) + L"|" + log;
}

BOOL Fail(DWORD error)
{
    SetLastError(error);
    return FALSE;
}

// The stand-ins the plug-in calls.

HANDLE WINAPI ScriptedOpenEventLogW(LPCWSTR server, LPCWSTR source)
{
    CLogs& all = Logs();
    CScopedLock lock(all.lock);
    std::wstring key = LogKey(server ? server : L"", source ? source : L"");
    auto log = all.logs.find(key);
    if (log == all.logs.end()) {
        // A log the host does not have: the event-log service opens the Application log.
        key = LogKey(server ? server : L"", L"Application");
        log = all.logs.emplace(key, ScriptedLog()).first;
    }
    if (log->second.failOpen) {
        SetLastError(log->second.failOpen);
        return nullptr;
    }
    ++log->second.opens;
    ULONG_PTR handle = all.nextHandle++;
    OpenLog& open = all.handles[handle];
    open.key = key;
    QueryPerformanceCounter(&open.openedAt);
    return reinterpret_cast<HANDLE>(handle);
}

// One of the log's two counters, unless the script made its call fail.
BOOL AnswerCounter(HANDLE handle, DWORD ScriptedLog::*failure, DWORD (*counter)(const ScriptedLog&),
                   PDWORD out)
{
    CScopedLock lock(Logs().lock);
    ScriptedLog* log = Logs().Find(handle);
    if (!log)
        return FALSE;
    if (log->*failure)
        return Fail(log->*failure);
    *out = counter(*log);
    return TRUE;
}

DWORD RecordCount(const ScriptedLog& log)
{
    return DWORD(log.records.size());
}

DWORD OldestRecord(const ScriptedLog& log)
{
    return log.Oldest();
}

BOOL WINAPI ScriptedGetNumberOfEventLogRecords(HANDLE handle, PDWORD count)
{
    return AnswerCounter(handle, &ScriptedLog::failCount, RecordCount, count);
}

BOOL WINAPI ScriptedGetOldestEventLogRecord(HANDLE handle, PDWORD oldest)
{
    return AnswerCounter(handle, &ScriptedLog::failOldest, OldestRecord, oldest);
}

BOOL WINAPI ScriptedReadEventLogW(HANDLE handle, DWORD flags, DWORD number, LPVOID buffer,
                                  DWORD size, DWORD* bytesRead, DWORD* needed)
{
    if (Logs().readDelayMs > 0)
        Sleep(DWORD(Logs().readDelayMs));
    CScopedLock lock(Logs().lock);
    ScriptedLog* log = Logs().Find(handle);
    if (!log)
        return FALSE;
    ++log->reads;
    *bytesRead = 0;
    *needed = 0;
    if (log->failRead)
        return Fail(log->failRead);
    if (!(flags & EVENTLOG_SEEK_READ) || !(flags & EVENTLOG_FORWARDS_READ) || !buffer)
        return Fail(ERROR_INVALID_PARAMETER);
    if (number >= log->nextNumber)
        return Fail(ERROR_HANDLE_EOF);
    if (number < log->Oldest() || log->records.empty())
        return Fail(ERROR_INVALID_PARAMETER);
    size_t at = number - log->Oldest();
    if (log->records[at].size() > size) {
        *needed = DWORD(log->records[at].size());
        return Fail(ERROR_INSUFFICIENT_BUFFER);
    }
    // As many whole records as fit, forwards from the one sought.
    BYTE* out = static_cast<BYTE*>(buffer);
    for (; at < log->records.size() && log->records[at].size() <= size - *bytesRead; ++at) {
        memcpy(out + *bytesRead, log->records[at].data(), log->records[at].size());
        *bytesRead += DWORD(log->records[at].size());
    }
    return TRUE;
}

BOOL WINAPI ScriptedCloseEventLog(HANDLE handle)
{
    CLogs& all = Logs();
    CScopedLock lock(all.lock);
    auto open = all.handles.find(reinterpret_cast<ULONG_PTR>(handle));
    if (open == all.handles.end())
        return Fail(ERROR_INVALID_HANDLE);
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    all.logs[open->second.key].lastPassMs =
        1000.0 * double(now.QuadPart - open->second.openedAt.QuadPart) / double(frequency.QuadPart);
    all.handles.erase(open);
    return TRUE;
}

// The registry of a remote host the script made a log on; any other cannot be found.
LONG WINAPI ScriptedRegConnectRegistryW(LPCWSTR machine, HKEY key, PHKEY result)
{
    std::wstring host = HostName(machine ? machine : L"");
    if (host.empty())
        return RegConnectRegistryW(machine, key, result);  // this machine's own
    DWORD failure = ERROR_BAD_NETPATH;
    {
        CScopedLock lock(Logs().lock);
        auto found = Logs().remoteHosts.find(host);
        if (found != Logs().remoteHosts.end())
            failure = found->second;
    }
    if (failure != 0)
        return LONG(failure);
    if (key != HKEY_LOCAL_MACHINE)
        return ERROR_INVALID_HANDLE;  // the script keeps nothing else of a remote host
    return RegOpenKeyExW(HKEY_CURRENT_USER, CLogs::RemoteRegistry(host).c_str(), 0, KEY_READ,
                         result);
}

// The script's side.

std::vector<std::string> Fields(const std::string& argument)
{
    std::vector<std::string> fields;
    std::string text = UnescapeLine(argument);
    size_t start = 0;
    for (;;) {
        size_t tab = text.find('\t', start);
        fields.push_back(text.substr(start, tab == std::string::npos ? tab : tab - start));
        if (tab == std::string::npos)
            return fields;
        start = tab + 1;
    }
}

DWORD TimeField(const std::string& text)
{
    if (text.rfind("now", 0) != 0)
        return DWORD(strtoul(text.c_str(), nullptr, 10));
    return DWORD(SecondsSince1970()) + DWORD(atol(text.c_str() + 3));
}

std::vector<BYTE> HexBytes(const std::string& text)
{
    std::vector<BYTE> bytes;
    for (size_t i = 0; text != "-" && i + 1 < text.size(); i += 2)
        bytes.push_back(BYTE(strtoul(text.substr(i, 2).c_str(), nullptr, 16)));
    return bytes;
}

// fields: host, log, type, event id, source, computer, sid, generated, data, strings...
bool ParseEvent(const std::vector<std::string>& fields, size_t first, ScriptedEvent* event)
{
    if (fields.size() < first + 9)
        return false;
    const std::string* f = &fields[first];
    event->eventType = WORD(strtoul(f[2].c_str(), nullptr, 0));
    event->eventId = DWORD(strtoul(f[3].c_str(), nullptr, 0));
    event->source = Widen(f[4]);
    event->computer = Widen(f[5]);
    event->sid = f[6] == "-" ? std::vector<BYTE>() : SidFromText(Widen(f[6]));
    event->timeGenerated = TimeField(f[7]);
    event->data = HexBytes(f[8]);
    for (size_t i = first + 9; i < fields.size(); ++i)
        event->strings.push_back(Widen(fields[i]));
    return true;
}

void Write(const std::wstring& key, ScriptedEvent event, int count)
{
    CScopedLock lock(Logs().lock);
    ScriptedLog& log = Logs().logs[key];
    event.timeWritten = DWORD(SecondsSince1970());
    for (int i = 0; i < count; ++i) {
        event.recordNumber = log.nextNumber++;
        log.records.push_back(WriteEventRecord(event));
    }
}

DWORD* FailSlot(ScriptedLog& log, const std::string& call)
{
    if (call == "open")
        return &log.failOpen;
    if (call == "count")
        return &log.failCount;
    if (call == "oldest")
        return &log.failOldest;
    if (call == "read")
        return &log.failRead;
    return nullptr;
}

bool Hook(HMODULE module, CHostOutput& output)
{
    const ImportReplacement replacements[] = {
        {"OpenEventLogW", reinterpret_cast<void*>(&ScriptedOpenEventLogW)},
        {"GetNumberOfEventLogRecords",
         reinterpret_cast<void*>(&ScriptedGetNumberOfEventLogRecords)},
        {"GetOldestEventLogRecord", reinterpret_cast<void*>(&ScriptedGetOldestEventLogRecord)},
        {"ReadEventLogW", reinterpret_cast<void*>(&ScriptedReadEventLogW)},
        {"CloseEventLog", reinterpret_cast<void*>(&ScriptedCloseEventLog)},
        {"RegConnectRegistryW", reinterpret_cast<void*>(&ScriptedRegConnectRegistryW)},
    };
    int replaced = ReplaceImports(module, "advapi32.dll", replacements,
                                  int(sizeof replacements / sizeof replacements[0]));
    output.Log("evlog-hook " + std::string(replaced > 0 ? "0x00000000 " : "0x80004005 ") +
               std::to_string(replaced));
    return true;
}

// The log's key in its host's registry. Under the lock.
bool MakeLogKey(const std::string& hostField, const std::wstring& log)
{
    std::wstring host = HostName(Widen(hostField));
    HKEY root = HKEY_LOCAL_MACHINE;
    std::wstring path = kLogKeys + log;
    DWORD options = 0;
    if (!host.empty()) {
        Logs().remoteHosts.emplace(host, 0);
        root = HKEY_CURRENT_USER;
        path = CLogs::RemoteRegistry(host) + L"\\" + path;
        options = REG_OPTION_VOLATILE;
    }
    HKEY key = nullptr;
    DWORD disposition = 0;
    if (RegCreateKeyExW(root, path.c_str(), 0, nullptr, options, KEY_WRITE, nullptr, &key,
                        &disposition) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    if (host.empty() && disposition == REG_CREATED_NEW_KEY)
        Logs().madeLocalKeys.push_back(path);
    return true;
}

bool Stats(const std::wstring& key, CHostOutput& output)
{
    CLogs& all = Logs();
    CScopedLock lock(all.lock);
    const ScriptedLog& log = all.logs[key];
    int handles = 0;
    for (const auto& open : all.handles)
        handles += open.second.key == key;
    char line[160];
    snprintf(line, sizeof line, "evlog-stats 0x00000000 opens=%d reads=%d handles=%d pass-ms=%.3f",
             log.opens, log.reads, handles, log.lastPassMs);
    output.Log(line);
    return true;
}

// evlog-wait: until the log has been opened `count` times in all and no handle of it is open
// (the pass that opened it last is over); evlog-wait-reads: until it has been read `count`
// times in all.
bool Wait(const std::string& name, const std::wstring& key, int count, DWORD limitMs,
          CHostOutput& output)
{
    bool reads = name == "evlog-wait-reads";
    DWORD start = GetTickCount();
    int seen = 0;
    bool done = false;
    for (;;) {
        {
            CLogs& all = Logs();
            CScopedLock lock(all.lock);
            const ScriptedLog& log = all.logs[key];
            seen = reads ? log.reads : log.opens;
            bool open = false;
            for (const auto& handle : all.handles)
                open = open || handle.second.key == key;
            done = seen >= count && (reads || !open);
        }
        if (done || GetTickCount() - start >= limitMs)
            break;
        Sleep(5);
    }
    output.Log(name + (done ? " 0x00000000 " : " 0x800705B4 ") + std::to_string(seen));
    return true;
}

}  // namespace

bool RunEventLogCommand(const std::string& name, const std::string& argument, HMODULE module,
                        CHostOutput& output)
{
    if (name == "evlog-hook")
        return Hook(module, output);
    if (name == "evlog-delay") {
        Logs().readDelayMs = atol(argument.c_str());
        return true;
    }
    std::vector<std::string> f = Fields(argument);
    if (name == "evlog-fill" && f.size() >= 3) {
        ScriptedEvent event;
        if (!ParseEvent(f, 1, &event))
            return false;
        Write(LogKey(Widen(f[1]), Widen(f[2])), event, atoi(f[0].c_str()));
        return true;
    }
    if (name == "evlog-registry" && f.size() == 2) {
        CScopedLock lock(Logs().lock);
        std::wstring host = HostName(Widen(f[0]));
        if (host.empty())
            return false;
        Logs().remoteHosts[host] = DWORD(strtoul(f[1].c_str(), nullptr, 0));
        return true;
    }
    if (f.size() < 2)
        return false;
    std::wstring key = LogKey(Widen(f[0]), Widen(f[1]));
    if (name == "evlog-stats")
        return Stats(key, output);
    if ((name == "evlog-wait" || name == "evlog-wait-reads") && f.size() == 4)
        return Wait(name, key, atoi(f[2].c_str()), DWORD(atol(f[3].c_str())), output);
    if (name == "evlog-write") {
        ScriptedEvent event;
        if (!ParseEvent(f, 0, &event))
            return false;
        Write(key, event, 1);
        return true;
    }
    CScopedLock lock(Logs().lock);
    ScriptedLog& log = Logs().logs[key];
    if (name == "evlog-log")
        return MakeLogKey(f[0], Widen(f[1]));
    if (name == "evlog-clear") {
        log.records.clear();
        log.nextNumber = 1;
        return true;
    }
    if (name == "evlog-drop" && f.size() == 3) {
        for (int n = atoi(f[2].c_str()); n > 0 && !log.records.empty(); --n)
            log.records.pop_front();
        return true;
    }
    DWORD* slot = name == "evlog-fail" && f.size() == 4 ? FailSlot(log, f[2]) : nullptr;
    if (!slot)
        return false;
    *slot = DWORD(strtoul(f[3].c_str(), nullptr, 0));
    return true;
}
