#include <winsock2.h>

#include "scan_plan.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

uint32_t Address(const char* text)
{
    uint32_t address = 0;
    EXPECT_TRUE(ReadScanAddress(text, &address)) << text;
    return address;
}

std::string Text(uint32_t address)
{
    in_addr in;
    in.s_addr = address;
    return inet_ntoa(in);
}

std::vector<std::string> Texts(const std::vector<uint32_t>& addresses)
{
    std::vector<std::string> texts;
    for (uint32_t address : addresses)
        texts.push_back(Text(address));
    return texts;
}

TEST(ScanPlan, AddressTextsAsInetAddrReadsThem)
{
    uint32_t address = 0;
    for (const char* bad :
         {"", "10.0.0.256", "ten.0.0.1", "255.255.255.255", "1.2.3.4.5", "\xC3\xA9"})
        EXPECT_FALSE(ReadScanAddress(bad, &address)) << bad;
    EXPECT_FALSE(ReadScanAddress(nullptr, &address));
    ASSERT_TRUE(ReadScanAddress("10.1.2.3", &address));
    EXPECT_EQ("10.1.2.3", Text(address));
    ASSERT_TRUE(ReadScanAddress("0.0.0.0", &address));
    EXPECT_EQ(0u, address);
}

struct RangeCase {
    const char* start;
    const char* end;
    std::vector<std::string> addresses;
};

TEST(ScanPlan, AddressesFromTheStartUpToTheEnd)
{
    const RangeCase cases[] = {
        {"10.0.0.1", "10.0.0.5", {"10.0.0.1", "10.0.0.2", "10.0.0.3", "10.0.0.4"}},
        {"10.0.0.7", "10.0.0.7", {}},
        {"0.0.0.0", "10.0.0.5", {}},
        {"10.0.0.250",
         "10.0.1.3",
         {"10.0.0.250", "10.0.0.251", "10.0.0.252", "10.0.0.253", "10.0.0.254", "10.0.0.255",
          "10.0.1.1", "10.0.1.2"}},
        // An end that stepping never meets ends the list once the address passes it.
        {"10.0.0.253", "10.0.1.0", {"10.0.0.253", "10.0.0.254", "10.0.0.255"}},
        {"10.0.0.9", "10.0.0.3", {}},  // an end below the start
        {"10.0.1.1", "10.0.0.200", {}},
        {"255.255.255.0", "255.255.255.9", {}},
        {"255.255.255.253", "255.255.255.254", {"255.255.255.253"}},
    };
    for (const RangeCase& c : cases)
        EXPECT_EQ(c.addresses, Texts(ScanAddresses(Address(c.start), Address(c.end))))
            << c.start << " .. " << c.end;
}

TEST(ScanPlan, AtMost65536AddressesAStart)
{
    std::vector<uint32_t> addresses = ScanAddresses(Address("10.0.0.1"), Address("11.0.0.1"));
    ASSERT_EQ(65536u, addresses.size());
    EXPECT_EQ("10.0.0.1", Text(addresses.front()));
    // 255 addresses a /24 (the last octet 0 is skipped): 10.0.0.1 .. 10.1.0.255, then one.
    EXPECT_EQ("10.1.1.1", Text(addresses.back()));
}

struct SliceCase {
    size_t addresses;
    size_t threads;
    size_t perThread;
    size_t lastSlice;  // addresses of the last thread
};

TEST(ScanPlan, FiveAddressesAThreadAndAtMost32Threads)
{
    const SliceCase cases[] = {
        {1, 1, 5, 1},    {4, 1, 5, 4},    {5, 1, 5, 5},
        {6, 2, 5, 1},    {7, 2, 5, 2},    {160, 32, 5, 5},
        {161, 32, 6, 0}, {254, 32, 8, 6}, {65536, 32, 2048, 2048},
    };
    for (const SliceCase& c : cases) {
        std::vector<uint32_t> addresses(c.addresses);
        for (size_t i = 0; i < addresses.size(); ++i)
            addresses[i] = static_cast<uint32_t>(i + 1);
        ScanSlicing slicing = SliceScan(c.addresses);
        EXPECT_EQ(c.threads, slicing.threads) << c.addresses;
        EXPECT_EQ(c.perThread, slicing.perThread) << c.addresses;
        // Every address in exactly one slice, in stepping order.
        std::vector<uint32_t> joined;
        for (size_t t = 0; t < slicing.threads; ++t) {
            std::vector<uint32_t> slice = ScanSlice(addresses, slicing, t);
            EXPECT_LE(slice.size(), slicing.perThread);
            joined.insert(joined.end(), slice.begin(), slice.end());
        }
        EXPECT_EQ(addresses, joined) << c.addresses;
        EXPECT_EQ(c.lastSlice, ScanSlice(addresses, slicing, slicing.threads - 1).size())
            << c.addresses;
    }
}

TEST(ScanPlan, The161stAddressLeavesTheLastFiveThreadsEmpty)
{
    std::vector<uint32_t> addresses(161, 1);
    ScanSlicing slicing = SliceScan(addresses.size());
    EXPECT_EQ(5u, ScanSlice(addresses, slicing, 26).size());
    for (size_t t = 27; t < 32; ++t)
        EXPECT_TRUE(ScanSlice(addresses, slicing, t).empty()) << t;
}

}  // namespace
