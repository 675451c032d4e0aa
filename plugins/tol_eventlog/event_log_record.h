// The RESULT_EVENT_LOG records of the event-log plug-in.
//
// One result per test and pass: UI32 50, test id, location id, status 0; I64 time stamp; the
// text "There are new records in the Event log."; then one nested record per event:
//   texts  domain, computer, source, account, SID text, message (127 characters at most),
//          data text (128 characters at most), each "N/A" where empty
//   UI32   type code, SID use, event code (the low 16 bits of the event identifier)
//   I64    time generated, time written (seconds since 1970)
// An error result has status 2 and the system's text for the error instead.
#pragma once

#include <windows.h>

#include <string>

#include "com_bstr.h"
#include "event_account.h"
#include "event_record_view.h"
#include "mon_result2.h"

constexpr unsigned int kResultEventLog = 50;
constexpr size_t kMessageTextChars = 127;
constexpr size_t kDataTextChars = 128;

// One reported event as its nested record holds it.
struct EventEntry {
    std::wstring domain;
    std::wstring computer;
    std::wstring source;
    std::wstring account;
    std::string sidText;
    std::wstring message;
    std::string dataText;
    unsigned typeCode = 0;
    unsigned sidUse = 0;
    unsigned eventCode = 0;
    long long generated = 0;
    long long written = 0;
};

EventEntry MakeEventEntry(const EventRecordView& record, const EventAccount& account,
                          const std::wstring& message);

// Each byte as "%.2x " ("0a ff "), cut to 128 characters; "No data is available." for none.
std::string EventDataText(const BYTE* data, DWORD length);

// The first maxChars characters, never half of a surrogate pair; lone surrogates become
// U+FFFD, so the text always converts to UTF-8.
std::wstring CutWideText(const std::wstring& text, size_t maxChars);

bool BuildEventEntryRecord(const EventEntry& entry, CMonResult2* nested);

// The result of one test and pass, created with the first event.
class CEventLogResult {
public:
    bool Add(int tid, int lid, const EventEntry& entry);
    bool HasEntries() const { return m_entries > 0; }
    bool TakeBytes(CComBSTR* bytes);

private:
    CMonResult2 m_record;
    unsigned m_entries = 0;
    bool m_broken = false;
};

bool BuildEventLogError(int tid, int lid, DWORD error, CComBSTR* bytes);
