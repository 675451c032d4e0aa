// Fuzz target of tol_eventlog's reading of one event-log record, whose offsets and lengths any
// application (or a remote host) writes: the record decoded, made into the entry the plug-in
// reports (its first insertion string standing for the message) and added to a pass's result.
// Nothing may be read outside the record; names must keep to their cut; and the result record
// must be whole, with every text UTF-8.
#include <string>

#include "event_log_record.h"
#include "event_record_view.h"
#include "fuzz_support.h"

namespace {

bool Inside(const BYTE* part, DWORD length, const uint8_t* data, size_t size)
{
    return part >= data && length <= size && static_cast<size_t>(part - data) <= size - length;
}

void CheckResult(CEventLogResult& result)
{
    CComBSTR bytes;
    Check(result.TakeBytes(&bytes));
    const unsigned char* outer = bytes.Bytes();
    std::string text[1];
    Check(RecordIsWhole(outer, bytes.ByteLength(), text, 1));
    // The nested record follows the outer one's fixed part and text.
    uint32_t fixed = 32 + 4 * 4 + 8;
    size_t at = fixed + text[0].size() + 1;
    Check(bytes.ByteLength() > at);
    std::string texts[7];
    uint32_t nested;
    memcpy(&nested, outer + at, 4);
    Check(RecordIsWhole(outer + at, nested, texts, 7));
    for (const std::string& t : texts)
        Check(IsUtf8(t));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    EventRecordView record;
    if (!DecodeEventRecord(data, static_cast<DWORD>(size), &record))
        return 0;
    Check(record.source.size() <= kEventNameChars && record.computer.size() <= kEventNameChars);
    Check(!record.sid || Inside(record.sid, record.sidLength, data, size));
    Check(!record.data || Inside(record.data, record.dataLength, data, size));
    Check(record.stringBytes <= size);
    EventAccount account;
    std::wstring message = record.strings.empty() ? std::wstring() : record.strings[0];
    EventEntry entry = MakeEventEntry(record, account, message);
    Check(entry.message.size() <= kMessageTextChars && entry.dataText.size() <= kDataTextChars);
    CEventLogResult result;
    Check(result.Add(3, 4, entry));
    CheckResult(result);
    return 0;
}
