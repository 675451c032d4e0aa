// The agent's record of one registered plug-in.
#pragma once

#include <windows.h>

struct ITolvanePlugIn;
class CPlugInSink;

constexpr unsigned kPlugInNameCount = 3;  // Name, Vendor, Description

struct PlugInEntry {
    wchar_t* classId;        // subkey name: the class identifier in braces
    wchar_t** names;         // Name, Vendor, Description ("Unknown" when missing)
    char* commandCodes;      // unprotected CommandCodeList, null until imported
    ITolvanePlugIn* plugIn;  // null until the import succeeded
    CPlugInSink* sink;       // null until the import succeeded
};

// A process-heap record with a copy of the class identifier and three "Unknown" names;
// null when the heap has no room.
PlugInEntry* NewPlugInEntry(const wchar_t* classId);
// Replaces one of the names with a copy of the text (an empty text stays empty).
bool SetPlugInName(PlugInEntry* entry, unsigned index, const wchar_t* text);
// Frees the texts and the record; the plug-in and the sink must have been let go before.
void FreePlugInEntry(PlugInEntry* entry);
