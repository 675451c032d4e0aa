#include "event_record_view.h"

#include <cstdint>
#include <cstring>

namespace {

constexpr DWORD kUnitBytes = 2;  // the record's texts are UTF-16, whatever a wchar_t is

// A bounded reader of NUL-terminated UTF-16 texts inside [begin, end).
class CRecordTexts {
public:
    CRecordTexts(const BYTE* begin, DWORD size) : m_begin(begin), m_size(size) {}

    // Reads the text at `offset`, keeping at most maxChars characters; returns the offset
    // after its NUL (or the end of the record when it has none).
    DWORD Read(DWORD offset, size_t maxChars, std::wstring* text) const
    {
        text->clear();
        while (offset <= m_size && m_size - offset >= kUnitBytes) {
            uint16_t c;
            memcpy(&c, m_begin + offset, kUnitBytes);
            offset += kUnitBytes;
            if (c == 0)
                return offset;
            if (text->size() < maxChars)
                text->push_back(static_cast<wchar_t>(c));
        }
        return m_size;
    }

    bool Holds(DWORD offset, DWORD length) const
    {
        return offset <= m_size && length <= m_size - offset;
    }

private:
    const BYTE* m_begin;
    DWORD m_size;
};

}  // namespace

bool DecodeEventRecord(const BYTE* bytes, DWORD size, EventRecordView* out)
{
    EVENTLOGRECORD header;
    if (!bytes || !out || size < sizeof header)
        return false;
    memcpy(&header, bytes, sizeof header);
    DWORD length = header.Length < size ? header.Length : size;
    if (length < sizeof header)
        return false;
    *out = EventRecordView();
    out->recordNumber = header.RecordNumber;
    out->timeGenerated = header.TimeGenerated;
    out->timeWritten = header.TimeWritten;
    out->eventId = header.EventID;
    out->eventType = header.EventType;

    CRecordTexts texts(bytes, length);
    DWORD at = texts.Read(sizeof header, kEventNameChars, &out->source);
    texts.Read(at, kEventNameChars, &out->computer);

    if (header.UserSidLength > 0 && texts.Holds(header.UserSidOffset, header.UserSidLength)) {
        out->sid = bytes + header.UserSidOffset;
        out->sidLength = header.UserSidLength;
    }
    if (header.DataLength > 0 && texts.Holds(header.DataOffset, header.DataLength)) {
        out->data = bytes + header.DataOffset;
        out->dataLength = header.DataLength;
    }
    at = header.StringOffset;
    for (WORD i = 0; i < header.NumStrings && texts.Holds(at, kUnitBytes); ++i) {
        std::wstring text;
        DWORD next = texts.Read(at, static_cast<size_t>(-1), &text);
        out->stringBytes += next - at;
        out->strings.push_back(std::move(text));
        at = next;
    }
    return true;
}
