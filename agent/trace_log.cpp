#include "trace_log.h"

#include "critical_section.h"
#include "registry_paths.h"

#include <windows.h>
#include <shlwapi.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

// Innermost lock of the agent: serialises the day file, which is opened for every line.
struct TraceLockTag;
CCriticalSection& TraceLock()
{
    return ProcessLifetimeLock<TraceLockTag>();
}

bool TracingIsOn(HKEY settings)
{
    DWORD type = 0;
    DWORD value = 0;
    DWORD bytes = sizeof(value);
    return RegQueryValueExW(settings, L"Trace", nullptr, &type, reinterpret_cast<BYTE*>(&value),
                            &bytes) == ERROR_SUCCESS &&
           type == REG_DWORD && value != 0;
}

void AppendLine(const char* text)
{
    char folder[257] = {};
    GetTempPathA(256, folder);
    __time64_t now = _time64(nullptr);
    std::tm local{};
    if (_localtime64_s(&local, &now) != 0)
        return;
    char path[MAX_PATH] = {};
    if (!PathCombineA(path, folder, TraceLogFileName(local).c_str()))
        return;
    HANDLE file = CreateFileA(path, GENERIC_ALL, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    SetFilePointer(file, 0, nullptr, FILE_END);
    std::string line = FormatTraceLine(local, GetCurrentThreadId(), text);
    DWORD written = 0;
    WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    CloseHandle(file);
}

}  // namespace

std::string TraceLogFileName(const std::tm& local)
{
    char name[64];
    snprintf(name, sizeof(name), "tolintagent_%04d_%02d_%02d.log", local.tm_year + 1900,
             local.tm_mon + 1, local.tm_mday);
    return name;
}

std::string FormatTraceLine(const std::tm& local, unsigned long threadId, const char* text)
{
    char prefix[64];
    snprintf(prefix, sizeof(prefix), "%02d:%02d:%02d (%lu): ", local.tm_hour, local.tm_min,
             local.tm_sec, threadId);
    std::string line(prefix);
    if (text)
        line += text;
    line += "\r\n";
    return line;
}

void WriteTraceLog(const char* text)
{
    HKEY settings = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, TOL_REG_SETTINGS_KEY, 0, KEY_READ, &settings) !=
        ERROR_SUCCESS)
        return;
    if (TracingIsOn(settings)) {
        CScopedLock lock(TraceLock());
        AppendLine(text);
    }
    RegCloseKey(settings);
}

void WriteTraceLogFormat(const char* format, ...)
{
    HKEY settings = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, TOL_REG_SETTINGS_KEY, 0, KEY_READ, &settings) !=
        ERROR_SUCCESS)
        return;
    bool on = TracingIsOn(settings);
    RegCloseKey(settings);
    if (!on)
        return;
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    int chars = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (chars >= 0) {
        std::vector<char> text(static_cast<size_t>(chars) + 1);
        std::vsnprintf(text.data(), text.size(), format, args);
        CScopedLock lock(TraceLock());
        AppendLine(text.data());
    }
    va_end(args);
}
