#include "update_log.h"

#include "day_log.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <vector>

void WriteUpdateLog(const char* text)
{
    AppendDayLogLine("tolupdate", text, GENERIC_WRITE);
}

void WriteUpdateLogFormat(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    int chars = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (chars >= 0) {
        std::vector<char> text(static_cast<size_t>(chars) + 1);
        std::vsnprintf(text.data(), text.size(), format, args);
        WriteUpdateLog(text.data());
    }
    va_end(args);
}

std::string LogText(const std::wstring& text)
{
    int bytes = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0)
        return std::string();
    std::string narrow(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, &narrow[0], bytes, nullptr, nullptr);
    narrow.resize(static_cast<size_t>(bytes) - 1);
    return narrow;
}
