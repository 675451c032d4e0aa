#include "plugin_entry.h"

#include "heap_helpers.h"

#include <cwchar>
#include <cstring>

namespace {

// A heap copy that keeps an empty text (DupWideText gives null for one).
wchar_t* CopyWide(const wchar_t* text)
{
    size_t bytes = 2 * wcslen(text) + 2;
    wchar_t* copy = static_cast<wchar_t*>(HeapAllocZero(bytes));
    if (copy)
        memcpy(copy, text, bytes);
    return copy;
}

}  // namespace

PlugInEntry* NewPlugInEntry(const wchar_t* classId)
{
    auto* entry = static_cast<PlugInEntry*>(HeapAllocZero(sizeof(PlugInEntry)));
    if (!entry)
        return nullptr;
    entry->classId = CopyWide(classId ? classId : L"");
    entry->names = static_cast<wchar_t**>(HeapAllocZero(kPlugInNameCount * sizeof(wchar_t*)));
    bool ok = entry->classId && entry->names;
    for (unsigned i = 0; ok && i < kPlugInNameCount; ++i)
        ok = SetPlugInName(entry, i, L"Unknown");
    if (!ok) {
        FreePlugInEntry(entry);
        return nullptr;
    }
    return entry;
}

bool SetPlugInName(PlugInEntry* entry, unsigned index, const wchar_t* text)
{
    if (!entry || !entry->names || index >= kPlugInNameCount || !text)
        return false;
    wchar_t* copy = CopyWide(text);
    if (!copy)
        return false;
    FreeHeapBlock(entry->names[index]);
    entry->names[index] = copy;
    return true;
}

void FreePlugInEntry(PlugInEntry* entry)
{
    if (!entry)
        return;
    FreeHeapBlock(entry->commandCodes);
    FreeHeapBlock(entry->classId);
    if (entry->names) {
        for (unsigned i = 0; i < kPlugInNameCount; ++i)
            FreeHeapBlock(entry->names[i]);
        FreeHeapBlock(entry->names);
    }
    FreeHeapBlock(entry);
}
