// CContentMatch: looks for a text in a body that arrives in chunks.
//
// Bytes are compared exactly (NUL bytes included), and a match may straddle two chunks; only
// the last (text length - 1) bytes are kept between chunks, so a body of any size is searched
// in bounded memory. Bytes() counts every byte fed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class CContentMatch {
public:
    // An empty text is never found.
    explicit CContentMatch(std::string text);

    void Feed(const char* data, size_t bytes);

    bool Found() const { return m_found; }
    uint64_t Bytes() const { return m_bytes; }

private:
    std::string m_text;
    std::string m_tail;  // the last bytes fed, where a match may begin
    bool m_found = false;
    uint64_t m_bytes = 0;
};
