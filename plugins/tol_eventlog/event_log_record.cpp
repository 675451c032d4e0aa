#include "event_log_record.h"

#include <cstdio>

#include "event_types.h"
#include "heap_helpers.h"

namespace {

constexpr const char* kNewRecordsText = "There are new records in the Event log.";
constexpr const char* kNoDataText = "No data is available.";
constexpr unsigned kStatusOk = 0;
constexpr unsigned kStatusError = 2;

bool IsHighSurrogate(wchar_t c)
{
    return c >= 0xD800 && c <= 0xDBFF;
}
bool IsLowSurrogate(wchar_t c)
{
    return c >= 0xDC00 && c <= 0xDFFF;
}

bool AddWide(CMonResult2* record, const std::wstring& text)
{
    std::wstring safe = CutWideText(text, text.size());
    return record->add(const_cast<wchar_t*>(safe.c_str()));
}

bool AddNarrow(CMonResult2* record, const std::string& text)
{
    return record->add(const_cast<char*>(text.c_str()));
}

bool BeginOuter(CMonResult2* record, int tid, int lid, unsigned status, const char* text)
{
    return record->create(0, 4, 1, 0, 0, 1) &&
           record->init(kResultEventLog, static_cast<unsigned>(tid), static_cast<unsigned>(lid)) &&
           record->add(const_cast<char*>(text)) && record->add(status);
}

}  // namespace

EventEntry MakeEventEntry(const EventRecordView& record, const EventAccount& account,
                          const std::wstring& message)
{
    EventEntry entry;
    entry.domain = account.domain;
    entry.computer = record.computer;
    entry.source = record.source;
    entry.account = account.name;
    entry.sidText = account.sidText;
    entry.message = CutWideText(message, kMessageTextChars);
    entry.dataText = EventDataText(record.data, record.dataLength);
    entry.typeCode = EventTypeCode(record.eventType);
    entry.sidUse = account.sidUse;
    entry.eventCode = record.eventId & 0xFFFF;
    entry.generated = record.timeGenerated;
    entry.written = record.timeWritten;
    return entry;
}

std::string EventDataText(const BYTE* data, DWORD length)
{
    if (!data || length == 0)
        return kNoDataText;
    std::string text;
    char hex[4];
    for (DWORD i = 0; i < length && text.size() < kDataTextChars; ++i) {
        snprintf(hex, sizeof hex, "%.2x ", data[i]);
        text += hex;
    }
    if (text.size() > kDataTextChars)
        text.resize(kDataTextChars);
    return text;
}

std::wstring CutWideText(const std::wstring& text, size_t maxChars)
{
    size_t length = text.size() < maxChars ? text.size() : maxChars;
    if (length > 0 && length < text.size() && IsHighSurrogate(text[length - 1]) &&
        IsLowSurrogate(text[length]))
        --length;
    std::wstring out(text, 0, length);
    for (size_t i = 0; i < out.size(); ++i) {
        if (IsHighSurrogate(out[i]) && i + 1 < out.size() && IsLowSurrogate(out[i + 1]))
            ++i;
        else if (IsHighSurrogate(out[i]) || IsLowSurrogate(out[i]))
            out[i] = 0xFFFD;
    }
    return out;
}

bool BuildEventEntryRecord(const EventEntry& entry, CMonResult2* nested)
{
    return nested->create(0, 3, 2, 0, 0, 7) && AddWide(nested, entry.domain) &&
           AddWide(nested, entry.computer) && AddWide(nested, entry.source) &&
           AddWide(nested, entry.account) && AddNarrow(nested, entry.sidText) &&
           AddWide(nested, CutWideText(entry.message, kMessageTextChars)) &&
           AddNarrow(nested, entry.dataText) && nested->add(entry.typeCode) &&
           nested->add(entry.sidUse) && nested->add(entry.eventCode) &&
           nested->add(static_cast<__int64>(entry.generated)) &&
           nested->add(static_cast<__int64>(entry.written));
}

bool CEventLogResult::Add(int tid, int lid, const EventEntry& entry)
{
    if (m_broken)
        return false;
    if (m_entries == 0 && !BeginOuter(&m_record, tid, lid, kStatusOk, kNewRecordsText)) {
        m_broken = true;
        return false;
    }
    CMonResult2 nested;
    if (!BuildEventEntryRecord(entry, &nested) || !m_record.add(&nested))
        return false;  // this event is left out; the result stays whole
    ++m_entries;
    return true;
}

bool CEventLogResult::TakeBytes(CComBSTR* bytes)
{
    if (m_broken || m_entries == 0)
        return false;
    bool taken = bytes->AssignBytes(m_record.get_pointer(), m_record.get_size());
    m_record.reset();
    m_entries = 0;
    return taken;
}

bool BuildEventLogError(int tid, int lid, DWORD error, CComBSTR* bytes)
{
    char* text = FormatErrorTextA(error, nullptr);
    CMonResult2 record;
    bool built =
        record.create(0, 4, 1, 0, 0, 1) &&
        record.init(kResultEventLog, static_cast<unsigned>(tid), static_cast<unsigned>(lid)) &&
        record.add(kStatusError) && record.add(text ? text : const_cast<char*>("")) &&
        bytes->AssignBytes(record.get_pointer(), record.get_size());
    FreeHeapBlock(text);
    return built;
}
