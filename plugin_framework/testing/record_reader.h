// ReadResultRecord: a result record (ResultBlob) read back into its values, for tests of the
// records a worker posts. A record that does not add up reads as not `ok`.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

struct ReadRecord {
    bool ok = false;
    uint32_t capacities[6] = {};  // I32, UI32, I64, UI64, D64, STRING
    std::vector<int32_t> i32;
    std::vector<uint32_t> ui32;
    std::vector<int64_t> i64;
    std::vector<uint64_t> ui64;
    std::vector<double> d64;
    std::vector<std::string> texts;
    std::vector<ReadRecord> nested;
};

namespace record_reader_detail {

template <class T>
bool Take(const std::string& bytes, size_t* at, size_t end, uint32_t count, std::vector<T>* out)
{
    if (count > (end - *at) / sizeof(T))
        return false;
    out->resize(count);
    if (count)
        memcpy(out->data(), bytes.data() + *at, count * sizeof(T));
    *at += count * sizeof(T);
    return true;
}

inline ReadRecord ReadAt(const std::string& bytes, size_t start, size_t end)
{
    ReadRecord record;
    uint32_t header[8];
    if (end < start || end - start < sizeof header)
        return record;
    memcpy(header, bytes.data() + start, sizeof header);
    if (header[0] < sizeof header || header[0] > end - start)
        return record;
    end = start + header[0];
    memcpy(record.capacities, header + 1, sizeof record.capacities);
    size_t at = start + sizeof header;
    if (!Take(bytes, &at, end, header[1], &record.i32) ||
        !Take(bytes, &at, end, header[2], &record.ui32) ||
        !Take(bytes, &at, end, header[3], &record.i64) ||
        !Take(bytes, &at, end, header[4], &record.ui64) ||
        !Take(bytes, &at, end, header[5], &record.d64))
        return record;
    for (uint32_t i = 0; i < header[6]; ++i) {
        size_t nul = bytes.find('\0', at);
        if (nul == std::string::npos || nul >= end)
            return record;
        record.texts.push_back(bytes.substr(at, nul - at));
        at = nul + 1;
    }
    for (uint32_t i = 0; i < header[7]; ++i) {
        ReadRecord child = ReadAt(bytes, at, end);
        if (!child.ok)
            return record;
        uint32_t size;
        memcpy(&size, bytes.data() + at, sizeof size);
        at += size;
        record.nested.push_back(child);
    }
    record.ok = at == end;
    return record;
}

}  // namespace record_reader_detail

inline ReadRecord ReadResultRecord(const std::string& bytes)
{
    ReadRecord record = record_reader_detail::ReadAt(bytes, 0, bytes.size());
    uint32_t size = 0;
    if (bytes.size() >= sizeof size)
        memcpy(&size, bytes.data(), sizeof size);
    record.ok = record.ok && size == bytes.size();  // one record, nothing after it
    return record;
}
