// The fields of one line of a test tool's script: the text between TAB characters (an empty
// line is one empty field).
#pragma once

#include <string>
#include <vector>

inline std::vector<std::wstring> SplitFields(const std::wstring& line)
{
    std::vector<std::wstring> fields;
    size_t start = 0;
    for (;;) {
        size_t tab = line.find(L'\t', start);
        fields.push_back(line.substr(start, tab == std::wstring::npos ? tab : tab - start));
        if (tab == std::wstring::npos)
            return fields;
        start = tab + 1;
    }
}
