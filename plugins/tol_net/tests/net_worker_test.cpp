// The adapter worker's test lines and what its log says of each, in order.
#include "NetAdapMon.h"
#include "recording_owner.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string Processing(const char* line)
{
    return std::string("2 tol_net: processing test: '") + line + "'";
}

TEST(NetWorker, EachLineSaysWhatItDid)
{
    CRecordingOwner owner;
    CNetAdapMon<CRecordingOwner> worker;
    worker.m_owner = &owner;
    struct {
        const char* line;
        std::vector<std::string> events;  // after the "processing test" line
    } const cases[] = {
        {"NTA\t1\t2\teth0",
         {"2 tol_net: add test... adapter:'eth0', tid:1, lid:2",
          "2 tol_net: test added successfully..."}},
        {"NTA\t1\t3\teth1",
         {"2 tol_net: add test... adapter:'eth1', tid:1, lid:3",
          "2 tol_net: found duplicated test. skipping..."}},
        {"NTM\t1\t4\twlan0",
         {"2 tol_net: modify test... adapter:'wlan0', tid:1, lid:4",
          "2 tol_net: test modified successfully..."}},
        {"NTM\t9\t4\twlan0", {"2 tol_net: modify test... adapter:'wlan0', tid:9, lid:4"}},
        {"NTA\t0\t1\teth0", {}},
        {"NTM\t-2\t1\teth0", {}},
        {"NTD\t1", {"1 tol_net: Incorrect test format!"}},
        {"NTD\t1\t0", {"1 tol_net: removing test... tid:1"}},
        {"NTD\t1\t0", {"1 tol_net: removing test... tid:1"}},
        {"NTD\t0\t0", {}},
    };
    for (const auto& c : cases) {
        owner.events.clear();
        EXPECT_TRUE(worker.ProcessTest(c.line)) << c.line;
        std::vector<std::string> expected = {Processing(c.line)};
        expected.insert(expected.end(), c.events.begin(), c.events.end());
        EXPECT_EQ(expected, owner.events) << c.line;
    }
    owner.events.clear();
    EXPECT_FALSE(worker.ProcessTest(""));
    EXPECT_FALSE(worker.ProcessTest(nullptr));
    worker.Stop();
    EXPECT_EQ((std::vector<std::string>{"1 tol_net: removing all tests..."}), owner.events);
}

TEST(NetWorker, PassReportsEveryTestWhetherForcedOrNot)
{
    CRecordingOwner owner;
    CNetAdapMon<CRecordingOwner> worker;
    worker.m_owner = &owner;
    ASSERT_TRUE(worker.ProcessTest("NTA\t3\t1\ttol-no-such-adapter"));
    ASSERT_TRUE(worker.ProcessTest("NTA\t4\t1\ttol-no-such-adapter"));
    worker.Check(true);
    worker.Check(true);
    worker.Check(false);
    EXPECT_EQ(6u, owner.results.size());
    for (const std::string& desc : owner.descriptions)
        EXPECT_EQ("tol_net: New data is available.", desc);
}

}  // namespace
