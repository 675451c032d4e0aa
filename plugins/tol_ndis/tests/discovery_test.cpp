// The discovery's own thread. Without a network provider the router answers "no network", so
// a walk finds nothing: the thread posts nothing and still ends at once when stopped.
#include <winsock2.h>

#include "NetDisMon.h"

#include <gtest/gtest.h>

#include "recording_owner.h"

namespace {

TEST(NetDisMon, OneThreadPerDiscoveryStoppedWithoutDelay)
{
    CNetDisMon<CRecordingOwner> discovery;
    CRecordingOwner owner;
    discovery.m_owner = &owner;
    discovery.m_tid = 5;
    ASSERT_TRUE(discovery.StartDiscovery(false, 2591999));
    EXPECT_FALSE(discovery.StartDiscovery(true, 30));  // a thread exists already
    discovery.StopDiscovery();                         // ends the wait of 30 days at once
    EXPECT_TRUE(owner.results.empty());
    discovery.StopDiscovery();                        // no thread: nothing
    ASSERT_TRUE(discovery.StartDiscovery(true, 30));  // and it can start again
    discovery.StopDiscovery();
}

TEST(NetDisMon, ServerNamesLoseTheirBackslashes)
{
    WSADATA data;
    ASSERT_EQ(0, WSAStartup(MAKEWORD(2, 0), &data));
    FoundServer local = ServerOf("\\\\127.0.20.9");
    EXPECT_EQ("127.0.20.9", local.name);
    EXPECT_EQ("127.0.20.9", local.address);
    FoundServer none = ServerOf("\\\\\\");
    EXPECT_EQ("", none.name);
    EXPECT_EQ("<no ipv4 address>", none.address);
    EXPECT_EQ("<no ipv4 address>", ServerOf(nullptr).address);
    // A label longer than 63 characters fails to resolve without a query on the wire.
    FoundServer unknown = ServerOf(("\\\\" + std::string(70, 'a') + ".invalid").c_str());
    EXPECT_EQ("<no ipv4 address>", unknown.address);
    WSACleanup();
}

}  // namespace
