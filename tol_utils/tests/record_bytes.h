// Expected result records, written out field by field.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

class RecordBytes {
public:
    // Header with the total size left for Done() to fill in.
    RecordBytes(uint32_t i32, uint32_t ui32, uint32_t i64, uint32_t ui64, uint32_t d64,
                uint32_t texts, uint32_t nested = 0)
    {
        for (uint32_t word : {0u, i32, ui32, i64, ui64, d64, texts, nested})
            U32(word);
    }

    RecordBytes& I32(int32_t v) { return Put(&v, 4); }
    RecordBytes& U32(uint32_t v) { return Put(&v, 4); }
    RecordBytes& I64(int64_t v) { return Put(&v, 8); }
    RecordBytes& U64(uint64_t v) { return Put(&v, 8); }
    RecordBytes& D64(double v) { return Put(&v, 8); }
    RecordBytes& Zeros(size_t n)
    {
        m_bytes.insert(m_bytes.end(), n, 0);
        return *this;
    }
    RecordBytes& Text(const std::string& t) { return Put(t.c_str(), t.size() + 1); }
    RecordBytes& Nested(const std::vector<uint8_t>& r) { return Put(r.data(), r.size()); }

    std::vector<uint8_t> Done() const
    {
        std::vector<uint8_t> out = m_bytes;
        uint32_t total = static_cast<uint32_t>(out.size());
        memcpy(out.data(), &total, 4);
        return out;
    }

private:
    RecordBytes& Put(const void* p, size_t n)
    {
        const uint8_t* b = static_cast<const uint8_t*>(p);
        m_bytes.insert(m_bytes.end(), b, b + n);
        return *this;
    }

    std::vector<uint8_t> m_bytes;
};
