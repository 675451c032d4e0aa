#include <winsock2.h>

#include "ping.h"

#include "heap_helpers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr double kUntouched = -1.0;

class Winsock : public testing::Environment {
public:
    void SetUp() override
    {
        WSADATA data;
        ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
    }
    void TearDown() override { WSACleanup(); }
};

const testing::Environment* const kWinsock = testing::AddGlobalTestEnvironment(new Winsock);

struct Series {
    bool ran;
    std::vector<double> times;
};

Series Ping(const char* host, int count, unsigned short dataSize, unsigned timeout = 1000,
            unsigned short identifier = 0x7001)
{
    Series s{false, std::vector<double>(count > 0 ? size_t(count) : 1, kUntouched)};
    double* array = s.times.data();
    s.ran = ping(host, timeout, count, &array, dataSize, identifier);
    return s;
}

void ExpectAllAnswered(const Series& s, unsigned timeout = 1000)
{
    ASSERT_TRUE(s.ran);
    for (double t : s.times) {
        EXPECT_GT(t, 0.0);
        EXPECT_LT(t, double(timeout));
    }
}

TEST(ping, LoopbackAnswersEveryProbe)
{
    ExpectAllAnswered(Ping("127.0.0.1", 3, 56));
}

TEST(ping, DataSizesUpToTheLargestReply)
{
    for (unsigned short dataSize : {0, 13, 1472, 8000, 65507}) {
        SCOPED_TRACE(dataSize);
        ExpectAllAnswered(Ping("127.0.0.1", 1, dataSize));
    }
}

TEST(ping, ResolvesNames)
{
    ExpectAllAnswered(Ping("localhost", 1, 32));
}

TEST(ping, ZeroTimeoutRunsTheSeriesWithoutWaiting)
{
    Series s = Ping("127.0.0.1", 2, 56, 0);
    ASSERT_TRUE(s.ran);
    EXPECT_EQ(s.times, std::vector<double>(2, 0.0));
}

TEST(ping, ConcurrentCallersEachGetTheirOwnAnswers)
{
    constexpr int kCallers = 8;
    std::vector<Series> results(kCallers);
    std::vector<std::thread> threads;
    for (int i = 0; i < kCallers; ++i)
        threads.emplace_back([&results, i] {
            results[i] = Ping("127.0.0.1", 2, 56, 1000, static_cast<unsigned short>(i));
        });
    for (auto& t : threads)
        t.join();
    for (int i = 0; i < kCallers; ++i) {
        SCOPED_TRACE(i);
        ExpectAllAnswered(results[i]);
    }
}

TEST(ping_stoppable, EndsTheSeriesSoonAfterTheStop)
{
    HANDLE stop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::vector<double> times(50, kUntouched);
    double* array = times.data();
    std::thread stopper([stop] {
        Sleep(450);
        SetEvent(stop);
    });
    ULONGLONG start = GetTickCount64();
    EXPECT_TRUE(ping_stoppable("127.0.0.1", 1000, 50, &array, 56, 0x7002, stop));
    ULONGLONG took = GetTickCount64() - start;
    stopper.join();
    // Fifty requests take five seconds at least; the stop ends the series at the next one.
    EXPECT_LT(took, 3000u);
    size_t answered = 0;
    for (double t : times) {
        EXPECT_NE(t, kUntouched);
        answered += t > 0 ? 1 : 0;
    }
    EXPECT_LT(answered, 20u);
    EXPECT_EQ(times.back(), 0.0);

    // Stopped before it began: every request lost, none sent.
    std::fill(times.begin(), times.end(), kUntouched);
    EXPECT_TRUE(ping_stoppable("127.0.0.1", 1000, 50, &array, 56, 0x7003, stop));
    EXPECT_EQ(times, std::vector<double>(50, 0.0));
    CloseHandle(stop);
}

struct RefusalCase {
    const char* name;
    const char* host;
    int count;
    DWORD error;  // 0: any resolver error
};

class PingRefusal : public testing::TestWithParam<RefusalCase> {};

TEST_P(PingRefusal, FailsWithoutTouchingTheArrayAndSaysWhy)
{
    const RefusalCase& c = GetParam();
    Series s = Ping(c.host, c.count, 56);
    DWORD error = GetLastError();
    EXPECT_FALSE(s.ran);
    for (double t : s.times)
        EXPECT_EQ(t, kUntouched);
    if (c.error)
        EXPECT_EQ(error, c.error);
    else
        EXPECT_TRUE(error == WSAHOST_NOT_FOUND || error == WSANO_DATA || error == WSATRY_AGAIN ||
                    error == WSANO_RECOVERY)
            << error;
    char* text = FormatErrorTextA(error, nullptr);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(std::string(text).rfind("Failed with error " + std::to_string(error) + ": ", 0), 0u)
        << text;
    FreeHeapBlock(text);
}

// A label longer than 63 characters is refused by the resolver before any query is sent.
const std::string kUnresolvable = std::string(64, 'a') + ".invalid";

const RefusalCase kRefusals[] = {
    {"NoHost", nullptr, 1, ERROR_INVALID_PARAMETER},
    {"NoProbes", "127.0.0.1", 0, ERROR_INVALID_PARAMETER},
    {"NegativeCount", "127.0.0.1", -3, ERROR_INVALID_PARAMETER},
    {"MoreProbesThanSequenceNumbers", "127.0.0.1", 65536, ERROR_INVALID_PARAMETER},
    {"UnresolvableName", kUnresolvable.c_str(), 1, 0},
};

INSTANTIATE_TEST_SUITE_P(ping, PingRefusal, testing::ValuesIn(kRefusals),
                         [](const testing::TestParamInfo<RefusalCase>& info) {
                             return std::string(info.param.name);
                         });

TEST(ping, NoArrayIsRefused)
{
    double* none = nullptr;
    EXPECT_FALSE(ping("127.0.0.1", 1000, 1, &none, 56, 1));
    EXPECT_FALSE(ping("127.0.0.1", 1000, 1, nullptr, 56, 1));
}

}  // namespace
