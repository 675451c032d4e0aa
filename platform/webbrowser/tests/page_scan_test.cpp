// The stand-in's reading of a page: which elements it finds by identifier.
#include <gtest/gtest.h>

#include "page_scan.h"

namespace {

std::wstring Ids(const PageScan& scan)
{
    std::wstring ids;
    for (const PageElement& e : scan.elements)
        ids += (ids.empty() ? L"" : L",") + e.id;
    return ids;
}

TEST(PageScanTest, ElementsWithAnIdInDocumentOrder)
{
    struct Case {
        const char* page;
        const wchar_t* ids;
    } cases[] = {
        {"<div id=\"a\"><span id='b'>x</span><p id=c>y</p></div>", L"a,b,c"},
        {"<DIV ID=\"Upper\" class=\"x\">", L"Upper"},
        {"<input type=button id = \"spaced\" value=\"Go\"/>", L"spaced"},
        {"<p data-id=\"no\" hidden id=\"yes\">", L"yes"},
        {"<!-- <div id=\"commented\"> --><b id=\"after\">", L"after"},
        {"<script>var s = '<div id=\"inScript\">';</script><i id=\"real\">", L"real"},
        {"</div id=\"endTag\"><!DOCTYPE html id=\"decl\">", L""},
        {"\xEF\xBB\xBF<a id=\"bom\">", L"bom"},
        {"<div id=\"unterminated\"", L""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Ids(ScanPage(c.page)), c.ids) << c.page;
}

TEST(PageScanTest, TitleTagAndText)
{
    PageScan scan = ScanPage(
        "<html><head><title> Agent \xC3\xA9tat </title></head>"
        "<body><button id=\"runButton\">\r\n  Run  </button></body></html>");
    EXPECT_EQ(scan.title, L"Agent \u00e9tat");
    ASSERT_EQ(scan.elements.size(), 1u);
    EXPECT_EQ(scan.elements[0].tag, L"button");
    EXPECT_EQ(scan.elements[0].text, L"Run");
}

}  // namespace
