#include "heap_helpers.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> Split(const char* text, char separator)
{
    char** fields = nullptr;
    unsigned count = 0;
    std::vector<std::string> out;
    if (!SplitText(text, &fields, &count, separator))
        return {"<false>"};
    for (unsigned i = 0; i < count; ++i)
        out.emplace_back(fields[i]);
    FreeTextArray(&fields, &count);
    return out;
}

struct SplitCase {
    const char* text;
    char separator;
    std::vector<std::string> fields;
};

TEST(SplitText, Table)
{
    const SplitCase cases[] = {
        {"a\tb", '\t', {"a", "b"}},
        {"a\t\tb", '\t', {"a", "", "b"}},
        {"a\t", '\t', {"a"}},
        {"a\t\t", '\t', {"a", ""}},
        {"\tb", '\t', {"", "b"}},
        {"\t", '\t', {""}},
        {"POL", '\t', {"POL"}},
        {"a\n\nb\n", '\n', {"a", "", "b"}},
        {"PGA\t1\t2\t127.0.0.1\t", '\t', {"PGA", "1", "2", "127.0.0.1"}},
        {"", '\t', {"<false>"}},
        {nullptr, '\t', {"<false>"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Split(c.text, c.separator), c.fields) << (c.text ? c.text : "(null)");
}

TEST(SplitText, FalseLeavesOutputsUntouched)
{
    char* marker[1] = {nullptr};
    char** fields = marker;
    unsigned count = 77;
    EXPECT_FALSE(SplitText("", &fields, &count, '\t'));
    EXPECT_EQ(fields, marker);
    EXPECT_EQ(count, 77u);
}

TEST(FreeTextArray, NullArrayIsIgnored)
{
    char** fields = nullptr;
    unsigned count = 0;
    FreeTextArray(&fields, &count);
    SUCCEED();
}

TEST(Conversions, Utf8AndWideRoundTrip)
{
    const wchar_t* wide = L"Gr\u00fc\u00dfe \u65e5\u672c \u20ac";
    const char* utf8 =
        "Gr\xc3\xbc\xc3\x9f"
        "e \xe6\x97\xa5\xe6\x9c\xac \xe2\x82\xac";
    char* narrow = WideToMultiByteAlloc(wide, CP_UTF8);
    ASSERT_NE(narrow, nullptr);
    EXPECT_STREQ(narrow, utf8);
    wchar_t* back = MultiByteToWideAlloc(narrow, CP_UTF8);
    ASSERT_NE(back, nullptr);
    EXPECT_STREQ(back, wide);
    FreeHeapBlock(narrow);
    FreeHeapBlock(back);
}

TEST(Conversions, NullAndEmpty)
{
    EXPECT_EQ(WideToMultiByteAlloc(nullptr, CP_UTF8), nullptr);
    char* empty = WideToMultiByteAlloc(L"", CP_UTF8);
    ASSERT_NE(empty, nullptr);
    EXPECT_STREQ(empty, "");
    FreeHeapBlock(empty);

    wchar_t* wideEmpty = MultiByteToWideAlloc(nullptr, CP_UTF8);
    ASSERT_NE(wideEmpty, nullptr);
    EXPECT_STREQ(wideEmpty, L"");
    EXPECT_GE(HeapSize(GetProcessHeap(), 0, wideEmpty), 2u);
    FreeHeapBlock(wideEmpty);
}

TEST(DupText, CopiesAndRefusesEmpty)
{
    EXPECT_EQ(DupText(""), nullptr);
    EXPECT_EQ(DupText(nullptr), nullptr);
    EXPECT_EQ(DupWideText(L""), nullptr);
    EXPECT_EQ(DupWideText(nullptr), nullptr);
    char* copy = DupText("abc");
    EXPECT_STREQ(copy, "abc");
    FreeHeapBlock(copy);
    wchar_t* wcopy = DupWideText(L"\u00e4bc");
    EXPECT_STREQ(wcopy, L"\u00e4bc");
    FreeHeapBlock(wcopy);
}

TEST(HeapBlocks, ReAllocZeroFillsTheGrownPart)
{
    unsigned char* block = static_cast<unsigned char*>(HeapReAllocZero(nullptr, 4));
    ASSERT_NE(block, nullptr);
    memset(block, 0xAB, 4);
    block = static_cast<unsigned char*>(HeapReAllocZero(block, 64));
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(block[3], 0xAB);
    for (int i = 4; i < 64; ++i)
        ASSERT_EQ(block[i], 0) << i;
    FreeHeapBlock(block);
    FreeHeapBlock(nullptr);
}

TEST(FormatErrorText, KnownAndUnknownCodes)
{
    wchar_t* known = FormatErrorText(ERROR_FILE_NOT_FOUND, nullptr);
    ASSERT_NE(known, nullptr);
    std::wstring text(known);
    EXPECT_EQ(text.rfind(L"Failed with error 2: ", 0), 0u) << text;
    EXPECT_EQ(text.find(L"Unknown Error."), std::wstring::npos);
    EXPECT_GT(text.size(), wcslen(L"Failed with error 2: "));
    FreeHeapBlock(known);

    wchar_t* unknown = FormatErrorText(0x2FFFFFFF, nullptr);
    EXPECT_STREQ(unknown, L"Failed with error 805306367: Unknown Error.");
    FreeHeapBlock(unknown);

    wchar_t* negative = FormatErrorText(0x8000000A, nullptr);
    EXPECT_EQ(std::wstring(negative).rfind(L"Failed with error -2147483638: ", 0), 0u);
    FreeHeapBlock(negative);

    char* narrow = FormatErrorTextA(0x2FFFFFFF, nullptr);
    EXPECT_STREQ(narrow, "Failed with error 805306367: Unknown Error.");
    FreeHeapBlock(narrow);
}

DATA_BLOB Protect(const std::string& plain, const std::string& entropyText)
{
    DATA_BLOB in{static_cast<DWORD>(plain.size()), (BYTE*)plain.data()};
    DATA_BLOB entropy{static_cast<DWORD>(entropyText.size()), (BYTE*)entropyText.data()};
    DATA_BLOB out{0, nullptr};
    EXPECT_TRUE(CryptProtectData(&in, L"Data Encryption", &entropy, nullptr, nullptr, 0, &out));
    return out;
}

TEST(UnprotectToHeap, RoundTripAndWrongEntropy)
{
    std::string entropyText = "{00000000-1111-2222-3333-444444444444}";
    DATA_BLOB sealed = Protect("MMAMMMMMD", entropyText);

    DATA_BLOB entropy{static_cast<DWORD>(entropyText.size()), (BYTE*)entropyText.data()};
    unsigned char* out = nullptr;
    unsigned long outLength = 0;
    ASSERT_TRUE(UnprotectToHeap(sealed.pbData, sealed.cbData, &entropy, &out, &outLength));
    EXPECT_EQ(outLength, 9u);
    EXPECT_STREQ(reinterpret_cast<char*>(out), "MMAMMMMMD");
    FreeHeapBlock(out);

    std::string other = "another entropy";
    DATA_BLOB wrong{static_cast<DWORD>(other.size()), (BYTE*)other.data()};
    unsigned char* untouched = reinterpret_cast<unsigned char*>(0x1234);
    unsigned long untouchedLength = 99;
    EXPECT_FALSE(
        UnprotectToHeap(sealed.pbData, sealed.cbData, &wrong, &untouched, &untouchedLength));
    EXPECT_EQ(untouched, reinterpret_cast<unsigned char*>(0x1234));
    EXPECT_EQ(untouchedLength, 99u);
    LocalFree(sealed.pbData);
}

TEST(DeleteDirectoryTree, RemovesAFolderWithItsContents)
{
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    std::string root = std::string(temp) + "tol_delete_tree_test";
    CreateDirectoryA(root.c_str(), nullptr);
    CreateDirectoryA((root + "\\inner").c_str(), nullptr);
    HANDLE f = CreateFileA((root + "\\inner\\file.txt").c_str(), GENERIC_WRITE, 0, nullptr,
                           CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(f, INVALID_HANDLE_VALUE);
    CloseHandle(f);
    EXPECT_TRUE(DeleteDirectoryTree(root));
    EXPECT_EQ(GetFileAttributesA(root.c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
