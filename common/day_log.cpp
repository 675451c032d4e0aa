#include "day_log.h"

#include <shlwapi.h>

#include <cstdio>

std::string DayLogFileName(const char* stem, const std::tm& local)
{
    char name[96];
    std::snprintf(name, sizeof(name), "%s_%04d_%02d_%02d.log", stem, local.tm_year + 1900,
                  local.tm_mon + 1, local.tm_mday);
    return name;
}

std::string FormatDayLogLine(const std::tm& local, unsigned long threadId, const char* text)
{
    char prefix[64];
    std::snprintf(prefix, sizeof(prefix), "%02d:%02d:%02d (%lu): ", local.tm_hour, local.tm_min,
                  local.tm_sec, threadId);
    std::string line(prefix);
    if (text)
        line += text;
    line += "\r\n";
    return line;
}

void AppendDayLogLine(const char* stem, const char* text, DWORD access)
{
    char folder[257] = {};
    GetTempPathA(256, folder);
    __time64_t now = _time64(nullptr);
    std::tm local{};
    if (_localtime64_s(&local, &now) != 0)
        return;
    char path[MAX_PATH] = {};
    if (!PathCombineA(path, folder, DayLogFileName(stem, local).c_str()))
        return;
    HANDLE file = CreateFileA(path, access, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    SetFilePointer(file, 0, nullptr, FILE_END);
    std::string line = FormatDayLogLine(local, GetCurrentThreadId(), text);
    DWORD written = 0;
    WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    CloseHandle(file);
}
