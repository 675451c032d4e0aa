#include "adapter_map.h"

#include <gtest/gtest.h>

namespace {

constexpr unsigned int kEthernet = 6;
constexpr unsigned int kLoopback = 24;

TEST(AdapterMap, OnlyConnectedOrOperationalAdaptersThatAreNoLoopback)
{
    struct Case {
        unsigned int type;
        unsigned int operStatus;
        bool up;
    };
    const Case cases[] = {
        {kEthernet, 0, false}, {kEthernet, 1, false}, {kEthernet, 2, false}, {kEthernet, 3, false},
        {kEthernet, 4, true},  {kEthernet, 5, true},  {kEthernet, 6, false}, {kLoopback, 4, false},
        {kLoopback, 5, false}, {71, 5, true},  // wireless
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.up, AdapterIsUp(c.type, c.operStatus)) << c.type << "/" << c.operStatus;
}

TEST(AdapterMap, BuildsTheListInByteOrderWithTheLaterOfTwoNames)
{
    const std::vector<AdapterRow> rows = {
        {"lo", 1, kLoopback, 5},
        {"eth0", 2, kEthernet, 5},
        {"Zeta", 3, kEthernet, 4},
        {"down", 4, kEthernet, 2},
        {"\xC3\xA9thernet", 5, kEthernet, 5},  // "éthernet": its first byte sorts after ASCII
        {"eth0", 7, kEthernet, 5},
        {"alpha", 8, kEthernet, 5},
    };
    AdapterMap map = BuildAdapterMap(rows);
    const AdapterMap expected = {{"Zeta", 3}, {"alpha", 8}, {"eth0", 7}, {"\xC3\xA9thernet", 5}};
    EXPECT_EQ(expected, map);
    EXPECT_EQ("Zeta\talpha\teth0\t\xC3\xA9thernet\t", AdapterListText(map));
}

TEST(AdapterMap, NoAdapterUpMakesNoText)
{
    EXPECT_TRUE(BuildAdapterMap({{"lo", 1, kLoopback, 5}, {"eth0", 2, kEthernet, 2}}).empty());
    EXPECT_EQ("", AdapterListText(AdapterMap()));
}

}  // namespace
