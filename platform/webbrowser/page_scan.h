// Reading an HTML page far enough to stand in for a browser: its title and the elements that
// carry an id attribute, in document order. Comments and the content of script and style
// elements are skipped; entities are left as they are.
#pragma once

#include <string>
#include <vector>

struct PageElement {
    std::wstring id;
    std::wstring tag;   // lower case
    std::wstring text;  // the text right after the start tag, blanks trimmed
};

struct PageScan {
    std::wstring title;
    std::vector<PageElement> elements;
};

// page: the file's bytes, UTF-8 (a byte-order mark is skipped).
PageScan ScanPage(const std::string& page);
