// The HTTP worker's lines, passes and wake-ups, requested through a scripted requester: the
// answers a server would give, without the network.
#include "HttpCheck.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "record_reader.h"
#include "recording_owner.h"

namespace {

// Answers every request with status code 200 and records which test it was asked for.
class ScriptedRequester : public IHttpRequester {
public:
    HttpMeasure Request(const HttpTest& test, const char* proxy, HANDLE abandon,
                        bool* abandoned) override
    {
        (void)abandon;
        *abandoned = false;
        {
            CScopedLock lock(m_lock);
            requested.push_back(std::to_string(test.tid) + " " + test.path);
            proxies.push_back(proxy ? proxy : "-");
        }
        HttpMeasure measure;
        measure.timeLeftMs = 1000;
        measure.responded = true;
        measure.code = 200;
        measure.elapsedMs = 7;
        return measure;
    }

    // What was requested since the last call, sorted (request threads run in any order).
    std::vector<std::string> Take()
    {
        CScopedLock lock(m_lock);
        std::vector<std::string> taken;
        taken.swap(requested);
        std::sort(taken.begin(), taken.end());
        return taken;
    }

    CCriticalSection m_lock;
    std::vector<std::string> requested;
    std::vector<std::string> proxies;
};

// Tells the test each time a check pass has ended, and whether it was a check-now pass.
class SignallingCheck : public CHttpCheck<CRecordingOwner> {
public:
    SignallingCheck() : passEnded(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}
    ~SignallingCheck() override { CloseHandle(passEnded); }

    void Check(bool forced) override
    {
        CHttpCheck<CRecordingOwner>::Check(forced);
        lastForced = forced;
        SetEvent(passEnded);
    }

    HANDLE passEnded;
    volatile bool lastForced = false;
};

std::string Add(const char* code, const char* tid, const char* path = "/")
{
    return std::string(code) + "\t" + tid + "\t3\t127.0.22.1\t" + path +
           "\t80\t\t\t\t\t5\t0\t0\t0\t0\t0";
}

class HttpCheckTest : public ::testing::Test {
protected:
    HttpCheckTest()
    {
        check.m_owner = &owner;
        check.SetRequester(&requester);
    }
    ~HttpCheckTest() override { check.Stop(); }

    void Line(const std::string& line) { EXPECT_TRUE(check.ProcessTest(line.c_str())) << line; }

    // True when a pass ended within the time (a generous one: a slow machine only waits).
    bool PassEnded(DWORD ms = 30000) { return WaitForSingleObject(check.passEnded, ms) == 0; }

    CRecordingOwner owner;
    ScriptedRequester requester;
    SignallingCheck check;
};

TEST_F(HttpCheckTest, LinesTakeEveryIdButZeroANegativeOneAsUnsigned)
{
    Line(Add("HPA", "0"));
    Line(Add("HPA", "5"));
    Line(Add("HPA", "-3"));
    Line(Add("HPA", "5", "/again"));  // the id is taken
    check.Check(false);
    EXPECT_EQ((std::vector<std::string>{"4294967293 /", "5 /"}), requester.Take());

    Line(Add("HPM", "5", "/new"));
    Line(Add("HPM", "0", "/zero"));
    Line("HPD\t-3\t0");
    Line("HPD\t0\t0");
    check.Check(false);
    EXPECT_EQ((std::vector<std::string>{"5 /new"}), requester.Take());
}

TEST_F(HttpCheckTest, ACheckNowPassRequestsOnlyTheTestsAddedOrModifiedSinceTheirLastRequest)
{
    for (const char* tid : {"1", "2", "3"})
        Line(Add("HPA", tid));
    check.Check(true);
    EXPECT_EQ((std::vector<std::string>{"1 /", "2 /", "3 /"}), requester.Take());
    check.Check(true);
    EXPECT_TRUE(requester.Take().empty());
    Line(Add("HPM", "2", "/two"));
    check.Check(true);
    EXPECT_EQ((std::vector<std::string>{"2 /two"}), requester.Take());
    check.Check(false);
    EXPECT_EQ((std::vector<std::string>{"1 /", "2 /two", "3 /"}), requester.Take());
}

TEST_F(HttpCheckTest, EachRequestPostsItsRecordWithTheProxyGiven)
{
    check.SetProxy("127.0.22.9:3128");
    Line(Add("HPA", "8"));
    check.Check(false);
    ASSERT_EQ(1u, owner.results.size());
    EXPECT_EQ("tol_http: New data is available.", owner.descriptions[0]);
    ReadRecord record = ReadResultRecord(owner.results[0]);
    ASSERT_TRUE(record.ok);
    ASSERT_EQ(7u, record.ui32.size());
    EXPECT_EQ(49u, record.ui32[0]);
    EXPECT_EQ(8u, record.ui32[1]);
    EXPECT_EQ(3u, record.ui32[2]);
    EXPECT_EQ(0u, record.ui32[3]);  // held
    EXPECT_EQ(7u, record.ui32[4]);
    EXPECT_EQ(200u, record.ui32[5]);
    EXPECT_EQ((std::vector<std::string>{"127.0.22.9:3128"}), requester.proxies);
}

// An add and a modify with any id but 0 wake the worker for a check-now pass, a modify even
// for an id no test has; a duplicate add, a modify of id 0 and a delete wake nobody.
TEST_F(HttpCheckTest, AddsAndModifiesWakeTheWorker)
{
    ASSERT_TRUE(check.Start());
    Line(Add("HPA", "4"));
    ASSERT_TRUE(PassEnded());
    EXPECT_TRUE(check.lastForced);
    EXPECT_EQ((std::vector<std::string>{"4 /"}), requester.Take());

    Line(Add("HPM", "9"));  // no test has it
    ASSERT_TRUE(PassEnded());
    EXPECT_TRUE(requester.Take().empty());

    Line(Add("HPA", "4", "/dup"));
    Line(Add("HPM", "0"));
    Line("HPD\t9\t0");
    EXPECT_FALSE(PassEnded(300));

    Line(Add("HPM", "4", "/four"));
    ASSERT_TRUE(PassEnded());
    EXPECT_EQ((std::vector<std::string>{"4 /four"}), requester.Take());
}

TEST_F(HttpCheckTest, StopForgetsEveryTest)
{
    Line(Add("HPA", "1"));
    check.Stop();
    check.Check(false);
    EXPECT_TRUE(requester.Take().empty());
}

}  // namespace
