#include "driver_arguments.h"

#include "heap_helpers.h"

#include <windows.h>

std::string NarrowArgument(const wchar_t* text)
{
    char* narrow = WideToMultiByteAlloc(text, CP_UTF8);
    std::string result = narrow ? narrow : "";
    FreeHeapBlock(narrow);
    return result;
}
