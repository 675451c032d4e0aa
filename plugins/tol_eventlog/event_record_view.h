// DecodeEventRecord: the parts of one EVENTLOGRECORD as the reader uses them.
//
// The record comes from a log that any local program (or a remote host) writes, so every
// offset and length is checked against the record's own length and the bytes read: nothing
// is read past them, and texts without their NUL end where the record ends.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

constexpr size_t kEventNameChars = 260;  // source and computer names are cut to this

struct EventRecordView {
    DWORD recordNumber = 0;
    DWORD timeGenerated = 0;  // seconds since 1970
    DWORD timeWritten = 0;
    DWORD eventId = 0;  // the full identifier, severity and facility bits included
    WORD eventType = 0;
    std::wstring source;  // at most kEventNameChars characters
    std::wstring computer;
    const BYTE* sid = nullptr;  // inside the record; null when it carries none
    DWORD sidLength = 0;
    std::vector<std::wstring> strings;  // the insertion strings in order
    size_t stringBytes = 0;             // their size in the record, NULs included
    const BYTE* data = nullptr;
    DWORD dataLength = 0;
};

// False when the bytes do not start with a whole record header.
bool DecodeEventRecord(const BYTE* bytes, DWORD size, EventRecordView* out);
