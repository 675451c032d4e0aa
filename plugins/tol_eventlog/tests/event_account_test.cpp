#include "event_account.h"
#include "event_record_writer.h"

#include <gtest/gtest.h>

#include "heap_helpers.h"

namespace {

std::string SidText(const std::vector<BYTE>& sid)
{
    char* text = SidToText(const_cast<BYTE*>(sid.data()));
    std::string out = text ? text : "(null)";
    FreeHeapBlock(text);
    return out;
}

TEST(SidToText, WellKnownLongAndWideAuthorities)
{
    EXPECT_EQ("S-1-5-18", SidText(SidFromText(L"S-1-5-18")));
    EXPECT_EQ("S-1-5-21-1004336348-1177238915-682003330-512",
              SidText(SidFromText(L"S-1-5-21-1004336348-1177238915-682003330-512")));
    EXPECT_EQ("S-1-1-0", SidText(SidFromText(L"S-1-1-0")));

    // An identifier authority that needs more than 32 bits is written in hexadecimal.
    std::vector<BYTE> wide = {1, 1, 0x01, 0x02, 0, 0, 0, 0x0a, 7, 0, 0, 0};
    EXPECT_EQ("S-1-0x01020000000a-7", SidText(wide));

    std::vector<BYTE> invalid = {9, 1, 0, 0, 0, 0, 0, 5, 0, 0, 0, 0};  // revision 9
    EXPECT_EQ("(null)", SidText(invalid));
    EXPECT_EQ(nullptr, SidToText(nullptr));
}

TEST(EventAccount, LookupOnTheLocalMachine)
{
    std::vector<BYTE> system = SidFromText(L"S-1-5-18");
    EventAccount account = LookupEventAccount(system.data(), static_cast<DWORD>(system.size()));
    EXPECT_EQ(L"SYSTEM", account.name);
    EXPECT_EQ(L"NT AUTHORITY", account.domain);
    EXPECT_EQ("S-1-5-18", account.sidText);
    EXPECT_EQ(static_cast<unsigned>(SidTypeWellKnownGroup), account.sidUse);

    // Nobody has this account: nothing is known about it, not even its text.
    std::vector<BYTE> stranger = SidFromText(L"S-1-5-21-19-19-19-1919");
    account = LookupEventAccount(stranger.data(), static_cast<DWORD>(stranger.size()));
    EXPECT_TRUE(account.name.empty());
    EXPECT_TRUE(account.domain.empty());
    EXPECT_TRUE(account.sidText.empty());
    EXPECT_EQ(0u, account.sidUse);

    // A SID longer than the bytes the record gives it is not read.
    account = LookupEventAccount(system.data(), static_cast<DWORD>(system.size() - 1));
    EXPECT_TRUE(account.sidText.empty());
    account = LookupEventAccount(nullptr, 0);
    EXPECT_EQ(0u, account.sidUse);
}

}  // namespace
