#include "trace_log.h"

#include "critical_section.h"
#include "day_log.h"
#include "format_text.h"
#include "registry_paths.h"

#include <windows.h>

#include <cstdarg>

namespace {

const char kTraceLogStem[] = "tolintagent";

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
    AppendDayLogLine(kTraceLogStem, text, GENERIC_ALL);
}

}  // namespace

std::string TraceLogFileName(const std::tm& local)
{
    return DayLogFileName(kTraceLogStem, local);
}

std::string FormatTraceLine(const std::tm& local, unsigned long threadId, const char* text)
{
    return FormatDayLogLine(local, threadId, text);
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
    std::string text = FormatTextV(format, args);
    va_end(args);
    CScopedLock lock(TraceLock());
    AppendLine(text.c_str());
}
