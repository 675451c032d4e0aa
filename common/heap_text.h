// Owning pointers for process-heap blocks (the texts and blocks of heap_helpers.h), and texts
// moved between UTF-16 and a code page.
#pragma once

#include <memory>
#include <string>

#include "heap_helpers.h"

struct HeapBlockDeleter {
    void operator()(const void* block) const { FreeHeapBlock(block); }
};

// A heap text or block, freed with FreeHeapBlock when the pointer goes: CHeapText<char>,
// CHeapText<wchar_t>, CHeapBlock<IP_ADAPTER_INFO> ...
template <class Char>
using CHeapText = std::unique_ptr<Char, HeapBlockDeleter>;
template <class Block>
using CHeapBlock = std::unique_ptr<Block, HeapBlockDeleter>;

// `text` (NUL-terminated, in `codePage`) as UTF-16; empty when it cannot be converted.
std::wstring Widen(const char* text, unsigned codePage = CP_UTF8);
inline std::wstring Widen(const std::string& text, unsigned codePage = CP_UTF8)
{
    return Widen(text.c_str(), codePage);
}

// `text` (NUL-terminated UTF-16) in `codePage`; empty when it cannot be converted.
std::string Narrow(const wchar_t* text, unsigned codePage = CP_UTF8);
inline std::string Narrow(const std::wstring& text, unsigned codePage = CP_UTF8)
{
    return Narrow(text.c_str(), codePage);
}
