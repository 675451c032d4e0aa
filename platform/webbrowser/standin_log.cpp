#include "standin_log.h"

#include <windows.h>

#include <cstdarg>
#include <cwchar>
#include <string>

void StandInLog(const wchar_t* format, ...)
{
    wchar_t path[MAX_PATH] = {};
    if (!GetEnvironmentVariableW(L"BROWSER_STANDIN_LOG", path, MAX_PATH))
        return;
    wchar_t line[1024];
    va_list args;
    va_start(args, format);
    vswprintf(line, 1020, format, args);
    va_end(args);
    wcscat(line, L"\r\n");
    int bytes = WideCharToMultiByte(CP_UTF8, 0, line, -1, nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, line, -1, &text[0], bytes, nullptr, nullptr);
    HANDLE file = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(bytes - 1), &written, nullptr);
    CloseHandle(file);
}
