#include "utf8_bstr.h"

#include "heap_helpers.h"

BSTR Utf8ToBstr(const char* text)
{
    if (!text)
        return nullptr;
    wchar_t* wide = MultiByteToWideAlloc(text, CP_UTF8);
    if (!wide)
        return nullptr;
    BSTR result = SysAllocString(wide);
    FreeHeapBlock(wide);
    return result;
}
