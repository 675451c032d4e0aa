#include "event_record_writer.h"

#include <sddl.h>

#include <cstring>

namespace {

void PutText(std::vector<BYTE>* out, const std::wstring& text)
{
    const BYTE* bytes = reinterpret_cast<const BYTE*>(text.c_str());
    out->insert(out->end(), bytes, bytes + (text.size() + 1) * sizeof(wchar_t));
}

void Align4(std::vector<BYTE>* out)
{
    while (out->size() % 4)
        out->push_back(0);
}

}  // namespace

std::vector<BYTE> WriteEventRecord(const ScriptedEvent& event)
{
    EVENTLOGRECORD header = {};
    std::vector<BYTE> out(sizeof header);
    PutText(&out, event.source);
    PutText(&out, event.computer);
    Align4(&out);
    if (!event.sid.empty()) {
        header.UserSidOffset = static_cast<DWORD>(out.size());
        header.UserSidLength = static_cast<DWORD>(event.sid.size());
        out.insert(out.end(), event.sid.begin(), event.sid.end());
    }
    header.StringOffset = static_cast<DWORD>(out.size());
    for (const auto& text : event.strings)
        PutText(&out, text);
    header.DataOffset = static_cast<DWORD>(out.size());
    header.DataLength = static_cast<DWORD>(event.data.size());
    out.insert(out.end(), event.data.begin(), event.data.end());
    Align4(&out);
    DWORD length = static_cast<DWORD>(out.size() + sizeof(DWORD));
    out.resize(length);
    memcpy(&out[length - sizeof(DWORD)], &length, sizeof length);

    header.Length = length;
    header.Reserved = 0x654c664c;  // "LfLe"
    header.RecordNumber = event.recordNumber;
    header.TimeGenerated = event.timeGenerated;
    header.TimeWritten = event.timeWritten;
    header.EventID = event.eventId;
    header.EventType = event.eventType;
    header.NumStrings = static_cast<WORD>(event.strings.size());
    header.EventCategory = event.category;
    memcpy(out.data(), &header, sizeof header);
    return out;
}

std::vector<BYTE> SidFromText(const std::wstring& text)
{
    PSID sid = nullptr;
    if (!ConvertStringSidToSidW(text.c_str(), &sid))
        return {};
    const BYTE* bytes = static_cast<const BYTE*>(sid);
    std::vector<BYTE> out(bytes, bytes + GetLengthSid(sid));
    LocalFree(sid);
    return out;
}
