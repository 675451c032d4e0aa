// CLineFields: a test line's fields (SplitFields' rules: empty fields kept, a trailing separator
// adds none) as NUL-terminated texts, for parsers that read numbers with the C library's readers.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "text_fields.h"  // this folder's: SplitFields

class CLineFields {
public:
    CLineFields(const char* line, char separator)
    {
        for (std::string_view field : SplitFields(line ? line : "", separator))
            m_fields.emplace_back(field);
    }
    unsigned count() const { return static_cast<unsigned>(m_fields.size()); }
    const char* operator[](unsigned index) const { return m_fields[index].c_str(); }

private:
    std::vector<std::string> m_fields;
};
