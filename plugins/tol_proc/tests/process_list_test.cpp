#include "process_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(ProcessList, NamesOnceSortedByCodeUnitEachFollowedByTab)
{
    struct {
        std::vector<std::wstring> names;
        std::string text;
    } const cases[] = {
        {{}, ""},
        {{L"b.exe"}, "b.exe\t"},
        {{L"svchost.exe", L"System", L"svchost.exe", L"Idle"}, "Idle\tSystem\tsvchost.exe\t"},
        // Case is ignored for the duplicates; the form met first stays.
        {{L"Tolvane.exe", L"TOLVANE.EXE", L"tolvane.exe"}, "Tolvane.exe\t"},
        {{L"zeta.exe", L"Alpha.exe", L"alpha.exe", L"ZETA.exe"}, "Alpha.exe\tzeta.exe\t"},
        // Upper case before lower case, non-ASCII after both, written in UTF-8.
        {{L"\u00e9t\u00e9.exe", L"a.exe", L"B.exe", L"\u00c9T\u00c9.EXE"},
         "B.exe\ta.exe\t\xc3\xa9t\xc3\xa9.exe\t"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.text, JoinProcessNames(c.names));
}

}  // namespace
