// Result records travel back to back; each begins with its total length as a 32-bit
// little-endian word.
#pragma once

#include <cstddef>

// The length of the record at `bytes`, of which `left` bytes are at hand, or 0 when no whole
// record can be read there (fewer than four bytes, or a length below four or past the end).
inline size_t RecordLengthAt(const unsigned char* bytes, size_t left)
{
    constexpr size_t kLengthWordSize = 4;
    if (left < kLengthWordSize)
        return 0;
    size_t length = static_cast<size_t>(bytes[0]) | static_cast<size_t>(bytes[1]) << 8 |
                    static_cast<size_t>(bytes[2]) << 16 | static_cast<size_t>(bytes[3]) << 24;
    return length >= kLengthWordSize && length <= left ? length : 0;
}
