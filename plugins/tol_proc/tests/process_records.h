// The process plug-in's records read back from a pass's bytes, for the tests.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

struct ProcRecord {
    uint32_t type = 0, tid = 0, lid = 0, pid = 0, status = 0;
    int64_t time = 0;
    double cpu = 0, wss = 0, pfs = 0;
    std::string text;
};

// Top-level records back to back; RESULT_PROCESS fields in their slots, RESULT_PROCESS_LIST's
// text in `text`. An empty vector when the bytes do not add up.
inline std::vector<ProcRecord> ReadProcRecords(const std::string& bytes)
{
    std::vector<ProcRecord> out;
    size_t at = 0;
    while (at + 32 <= bytes.size()) {
        uint32_t header[8];
        memcpy(header, bytes.data() + at, sizeof header);
        if (header[0] < 32 || at + header[0] > bytes.size())
            return {};
        const char* p = bytes.data() + at + 32;
        ProcRecord record;
        uint32_t ui32[5] = {};
        memcpy(ui32, p, 4 * (header[2] < 5 ? header[2] : 5));
        p += 4 * header[1] + 4 * header[2];
        memcpy(&record.time, p, 8);
        p += 8 * header[3] + 8 * header[4];
        double d64[3] = {};
        memcpy(d64, p, 8 * (header[5] < 3 ? header[5] : 3));
        p += 8 * header[5];
        record.type = ui32[0];
        record.tid = ui32[1];
        record.lid = ui32[2];
        record.pid = ui32[3];
        record.status = ui32[4];
        record.cpu = d64[0];
        record.wss = d64[1];
        record.pfs = d64[2];
        record.text = p;
        out.push_back(record);
        at += header[0];
    }
    return at == bytes.size() ? out : std::vector<ProcRecord>();
}
