#include "heap_text.h"

std::wstring Widen(const char* text, unsigned codePage)
{
    if (!text || !*text)
        return std::wstring();
    CHeapText<wchar_t> wide(MultiByteToWideAlloc(text, codePage));
    return wide ? std::wstring(wide.get()) : std::wstring();
}

std::string Narrow(const wchar_t* text, unsigned codePage)
{
    if (!text || !*text)
        return std::string();
    CHeapText<char> narrow(WideToMultiByteAlloc(text, codePage));
    return narrow ? std::string(narrow.get()) : std::string();
}
