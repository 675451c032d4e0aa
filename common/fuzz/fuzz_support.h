// What the fuzz targets share: the failure that stops a run, the lines of an input as the
// agent hands server lines to a plug-in, and a check that a result record is whole.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "../text_fields.h"  // SplitFields

inline void Check(bool condition)
{
    if (!condition)
        abort();
}

// Each line of the input (split at "\n", cut at its first NUL, as a line travels as a C text).
template <class Each>
void ForEachLine(const uint8_t* data, size_t size, Each each)
{
    std::string input(reinterpret_cast<const char*>(data), size);
    for (std::string_view view : SplitFields(input, '\n')) {
        std::string line(view.substr(0, view.find('\0')));
        each(line);
    }
}

// A result record (the writer's layout: header of eight words, the five fixed sections, as
// many NUL-terminated texts as its text capacity, then its nested records, each led by its own
// total size) that fills exactly `size` bytes; `texts`, when given, receives its texts.
inline bool RecordIsWhole(const unsigned char* record, size_t size, std::string* texts = nullptr,
                          unsigned textsWanted = 0)
{
    auto word = [record](unsigned index) {
        uint32_t value;
        memcpy(&value, record + 4 * index, 4);
        return value;
    };
    if (size < 32 || word(0) != size)
        return false;
    uint64_t at =
        32 + 4ull * word(1) + 4ull * word(2) + 8ull * word(3) + 8ull * word(4) + 8ull * word(5);
    if (at > size)
        return false;
    for (uint32_t t = 0; t < word(6); ++t) {
        const void* end = memchr(record + at, '\0', size - at);
        if (!end)
            return false;
        size_t length = static_cast<const unsigned char*>(end) - (record + at);
        if (texts && t < textsWanted)
            texts[t].assign(reinterpret_cast<const char*>(record + at), length);
        at += length + 1;
    }
    for (uint32_t n = 0; n < word(7); ++n) {
        if (size - at < 4)
            return false;
        uint32_t nested;
        memcpy(&nested, record + at, 4);
        if (nested > size - at || !RecordIsWhole(record + at, nested))
            return false;
        at += nested;
    }
    return at == size;
}

// Whether the text is well-formed UTF-8 (what a record's texts must be for the server): no
// stray or overlong sequence, no surrogate, nothing above U+10FFFF.
inline bool IsUtf8(const std::string& text)
{
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    size_t n = text.size();
    for (size_t i = 0; i < n;) {
        unsigned char c = p[i++];
        if (c < 0x80)
            continue;
        size_t more = (c >= 0xC2 && c <= 0xDF)   ? 1
                      : (c >= 0xE0 && c <= 0xEF) ? 2
                      : (c >= 0xF0 && c <= 0xF4) ? 3
                                                 : 0;
        if (more == 0 || n - i < more)
            return false;
        unsigned char low = c == 0xE0 ? 0xA0 : c == 0xF0 ? 0x90 : 0x80;
        unsigned char high = c == 0xED ? 0x9F : c == 0xF4 ? 0x8F : 0xBF;
        if (p[i] < low || p[i] > high)
            return false;
        for (size_t k = 1; k < more; ++k)
            if ((p[i + k] & 0xC0) != 0x80)
                return false;
        i += more;
    }
    return true;
}
