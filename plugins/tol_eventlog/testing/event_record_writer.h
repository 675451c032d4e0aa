// WriteEventRecord: the bytes of one EVENTLOGRECORD as the event log hands them out, for the
// tests and the plug-in test host's scripted event log.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct ScriptedEvent {
    DWORD recordNumber = 0;
    DWORD timeGenerated = 0;  // seconds since 1970
    DWORD timeWritten = 0;
    DWORD eventId = 0;
    WORD eventType = EVENTLOG_INFORMATION_TYPE;
    WORD category = 0;
    std::wstring source;
    std::wstring computer;
    std::vector<BYTE> sid;  // empty: no user SID
    std::vector<std::wstring> strings;
    std::vector<BYTE> data;
};

// Source, computer, SID (DWORD-aligned), strings, data, padding and the closing length.
std::vector<BYTE> WriteEventRecord(const ScriptedEvent& event);

// The binary SID of "S-1-5-18"-style text; empty when the text is not a SID.
std::vector<BYTE> SidFromText(const std::wstring& text);
