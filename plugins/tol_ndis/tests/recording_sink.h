// CRecordingSink: a scan job's owner in tests; keeps every record posted, in order, read back
// into its values and texts.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "com_bstr.h"
#include "critical_section.h"
#include "scan_job.h"

struct PostedRecord {
    std::vector<uint32_t> ui32;  // type, test id, location id
    std::vector<std::string> texts;
    uint32_t nested = 0;
    std::string description;
};

// Reads one record as the writer lays it out (header, sections, texts).
inline PostedRecord ReadPostedRecord(const uint8_t* bytes)
{
    uint32_t header[8];
    memcpy(header, bytes, sizeof(header));
    PostedRecord record;
    const uint8_t* at = bytes + sizeof(header) + header[1] * 4;
    for (uint32_t i = 0; i < header[2]; ++i, at += 4) {
        uint32_t value;
        memcpy(&value, at, 4);
        record.ui32.push_back(value);
    }
    at += (header[3] + header[4] + header[5]) * 8;
    for (uint32_t i = 0; i < header[6]; ++i) {
        std::string text(reinterpret_cast<const char*>(at));
        at += text.size() + 1;
        record.texts.push_back(text);
    }
    record.nested = header[7];
    return record;
}

class CRecordingSink : public CScanResultSink {
public:
    void PostResult(CComBSTR* data, const char* text) override
    {
        CScopedLock lock(m_lock);
        PostedRecord record = ReadPostedRecord(data->Bytes());
        record.description = text;
        m_records.push_back(record);
    }

    // "<level> <text>"
    void PostEvent(int level, const char* text) override
    {
        CScopedLock lock(m_lock);
        m_events.push_back(std::to_string(level) + " " + text);
    }

    std::vector<std::string> Events()
    {
        CScopedLock lock(m_lock);
        return m_events;
    }

    std::vector<PostedRecord> Records()
    {
        CScopedLock lock(m_lock);
        return m_records;
    }

    // The first text of every record, in posting order.
    std::vector<std::string> FirstTexts()
    {
        std::vector<std::string> texts;
        for (const PostedRecord& record : Records())
            texts.push_back(record.texts.empty() ? "" : record.texts.front());
        return texts;
    }

private:
    CCriticalSection m_lock;
    std::vector<PostedRecord> m_records;
    std::vector<std::string> m_events;
};
