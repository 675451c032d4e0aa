#include "update_log.h"

#include "day_log.h"
#include "format_text.h"
#include "heap_helpers.h"

#include <windows.h>

#include <cstdarg>

void WriteUpdateLog(const char* text)
{
    AppendDayLogLine("tolupdate", text, GENERIC_WRITE);
}

void WriteUpdateLogFormat(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::string text = FormatTextV(format, args);
    va_end(args);
    WriteUpdateLog(text.c_str());
}

std::string LogText(const std::wstring& text)
{
    char* narrow = WideToMultiByteAlloc(text.c_str(), CP_UTF8);
    std::string result = narrow ? narrow : "";
    FreeHeapBlock(narrow);
    return result;
}
