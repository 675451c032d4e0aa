// The ping checker from test line to posted record, measured through a scripted meter: what
// each probe asks the meter for, and the record it posts from the round-trip times it gets.
#include "ICMPchecker.h"
#include "ping_record.h"
#include "ping_verdict.h"
#include "record_reader.h"
#include "recording_owner.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct MeterCall {
    std::string host;  // "(null)" for no host
    unsigned int timeoutMs;
    int count;
    unsigned short dataSize;
    unsigned short identifier;
};

class ScriptedMeter : public IPingMeter {
public:
    bool Ping(const char* host, unsigned int timeoutMs, int count, double* roundTrips,
              unsigned short dataSize, unsigned short identifier, HANDLE stop,
              DWORD* error) override
    {
        (void)stop;
        CScopedLock lock(m_lock);
        calls.push_back({host ? host : "(null)", timeoutMs, count, dataSize, identifier});
        if (!host || times.size() != static_cast<size_t>(count)) {
            *error = ERROR_INVALID_PARAMETER;
            return false;
        }
        for (int i = 0; i < count; ++i)
            roundTrips[i] = times[i];
        return true;
    }

    std::vector<MeterCall> Calls()
    {
        CScopedLock lock(m_lock);
        return calls;
    }

    std::vector<double> times;  // what every series answers

private:
    CCriticalSection m_lock;
    std::vector<MeterCall> calls;
};

class PingCheckerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        checker.m_owner = &owner;
        checker.SetMeter(&meter);
    }

    // Waits until `count` records have come (each probe thread posts one); a probe that never
    // posts fails the test after some ten seconds instead of hanging it.
    std::vector<std::string> WaitForResults(size_t count)
    {
        for (int i = 0; i < 10000; ++i) {
            {
                CScopedLock lock(owner.m_lock);
                if (owner.results.size() >= count)
                    return owner.results;
            }
            Sleep(1);
        }
        ADD_FAILURE() << "no " << count << " results";
        return {};
    }

    CRecordingOwner owner;
    ScriptedMeter meter;
    CICMPchecker<CRecordingOwner> checker;
};

TEST_F(PingCheckerTest, ProbeAsksTheMeterForTheTestAndPostsItsVerdict)
{
    meter.times = {10, 0, 20, 0};
    ASSERT_TRUE(checker.ProcessTest("PGA\t65543\t3\t127.0.0.9\t65600\t4\t999999\t1"));
    checker.Check(true);
    std::vector<std::string> results = WaitForResults(1);
    ASSERT_EQ(1u, results.size());

    std::vector<MeterCall> calls = meter.Calls();
    ASSERT_EQ(1u, calls.size());
    EXPECT_EQ("127.0.0.9", calls[0].host);
    EXPECT_EQ(kMaxPingTimeoutMs, calls[0].timeoutMs);
    EXPECT_EQ(4, calls[0].count);
    EXPECT_EQ(64, calls[0].dataSize);   // the low 16 bits of 65,600
    EXPECT_EQ(7, calls[0].identifier);  // ... and of 65,543

    ReadRecord record = ReadResultRecord(results[0]);
    ASSERT_TRUE(record.ok);
    EXPECT_EQ((std::vector<uint32_t>{kResultIcmp, 65543, 3, 2, 2}), record.ui32);
    EXPECT_EQ((std::vector<double>{15}), record.d64);
    EXPECT_EQ((std::vector<std::string>{"Number of lost packets: 2 | Max allowed: 1"}),
              record.texts);
    EXPECT_EQ("tol_icmp: New data is available.", owner.descriptions[0]);
    EXPECT_TRUE(owner.events.empty());
}

TEST_F(PingCheckerTest, CheckNowPassProbesOnlyTheNewTestsAndAModifyMakesNoneNew)
{
    meter.times = {5};
    ASSERT_TRUE(checker.ProcessTest("PGA\t1\t0\thost-one\t32\t1\t100\t-1"));
    checker.Check(true);
    WaitForResults(1);
    ASSERT_TRUE(checker.ProcessTest("PGA\t2\t0\thost-two\t32\t1\t100\t-1"));
    ASSERT_TRUE(checker.ProcessTest("PGM\t1\t0\t\t32\t1\t100\t-1"));  // and leaves no host
    checker.Check(true);
    WaitForResults(2);

    std::vector<MeterCall> calls = meter.Calls();
    ASSERT_EQ(2u, calls.size());
    EXPECT_EQ("host-one", calls[0].host);
    EXPECT_EQ("host-two", calls[1].host);
}

TEST_F(PingCheckerTest, TestWithoutAHostLosesEveryPacket)
{
    meter.times = {5, 5};
    ASSERT_TRUE(checker.ProcessTest("PGA\t6\t1\thost\t32\t2\t100\t-1"));
    ASSERT_TRUE(checker.ProcessTest("PGM\t6\t1\t\t32\t2\t100\t-1"));
    checker.Check(false);
    std::vector<std::string> results = WaitForResults(1);
    ASSERT_EQ(1u, results.size());
    EXPECT_EQ("(null)", meter.Calls().at(0).host);
    ReadRecord record = ReadResultRecord(results[0]);
    ASSERT_TRUE(record.ok);
    EXPECT_EQ((std::vector<uint32_t>{kResultIcmp, 6, 1, 2, 2}), record.ui32);
}

TEST_F(PingCheckerTest, LinesThatDoNotFitAreTakenWithoutATest)
{
    for (const char* line : {"PGA\t1\t2\thost\t32\t4\t1000", "PGA\t1\t2\t\t32\t4\t1000\t-1",
                             "PGD\t1", "PGX\t1\t2", "\t\t\t"})
        EXPECT_TRUE(checker.ProcessTest(line)) << line;
    EXPECT_FALSE(checker.ProcessTest(""));
    EXPECT_FALSE(checker.ProcessTest(nullptr));
    checker.Check(false);
    EXPECT_TRUE(meter.Calls().empty());
    EXPECT_TRUE(owner.events.empty());
}

}  // namespace
