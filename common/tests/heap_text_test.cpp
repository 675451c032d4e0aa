// Texts between UTF-16 and a code page, and the system clock as time since 1970.
#include "heap_text.h"
#include "unix_time.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(HeapText, WidenAndNarrowConvertInTheCodePageAsked)
{
    const std::string utf8 = "K\xc3\xb6ln \xe2\x82\xac";  // "Köln €"
    const std::wstring wide = L"K\u00f6ln \u20ac";
    EXPECT_EQ(wide, Widen(utf8));
    EXPECT_EQ(utf8, Narrow(wide));
    EXPECT_EQ(L"K\u00f6ln", Widen("K\xf6ln", 1252));  // Windows-1252's o-umlaut
    EXPECT_EQ("K\xf6ln", Narrow(L"K\u00f6ln", 1252));
    EXPECT_EQ(L"", Widen(static_cast<const char*>(nullptr)));
    EXPECT_EQ("", Narrow(static_cast<const wchar_t*>(nullptr)));
    EXPECT_EQ(L"", Widen(""));
    EXPECT_EQ("", Narrow(L""));
}

TEST(HeapText, AHeapTextOwnsWhatTheHeapHelpersHandOut)
{
    CHeapText<char> text(DupText("abc"));
    ASSERT_TRUE(text);
    EXPECT_STREQ("abc", text.get());
    CHeapText<wchar_t> wide(MultiByteToWideAlloc("abc", CP_UTF8));
    ASSERT_TRUE(wide);
    EXPECT_STREQ(L"abc", wide.get());
}

FILETIME FileTimeOf(unsigned long long ticks)
{
    FILETIME time;
    time.dwLowDateTime = static_cast<DWORD>(ticks);
    time.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
    return time;
}

TEST(UnixTime, FileTimesCountFrom1970InMicroseconds)
{
    const unsigned long long k1970 = 116444736000000000ULL;
    EXPECT_EQ(0ULL, FileTimeToMicroseconds1970(FileTimeOf(k1970)));
    EXPECT_EQ(0ULL, FileTimeToMicroseconds1970(FileTimeOf(k1970 - 1)));
    EXPECT_EQ(0ULL, FileTimeToMicroseconds1970(FileTimeOf(0)));
    EXPECT_EQ(1ULL, FileTimeToMicroseconds1970(FileTimeOf(k1970 + 19)));
    // 2026-01-01 00:00:00 UTC
    EXPECT_EQ(1767225600000000ULL,
              FileTimeToMicroseconds1970(FileTimeOf(k1970 + 1767225600ULL * 10000000ULL)));

    SYSTEMTIME now;
    GetSystemTime(&now);
    FILETIME nowTime;
    SystemTimeToFileTime(&now, &nowTime);
    long long expected = static_cast<long long>(FileTimeToMicroseconds1970(nowTime) / 1000000);
    long long measured = SecondsSince1970();
    EXPECT_LE(expected, measured);
    EXPECT_GE(expected + 600, measured);
}

}  // namespace
