#include "ping_verdict.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "icmp_packet.h"
#include "ping_record.h"

namespace {

PingVerdict Judge(const std::vector<double>& times, int maximumLost)
{
    PingMeasure measure;
    measure.answered = true;
    measure.count = static_cast<int>(times.size());
    measure.roundTrips = times.data();
    return JudgePing(measure, maximumLost);
}

std::string WithinText(int sent, int received, int lost, int average)
{
    return "ICMP echo results are within acceptable limits.\nPackets: Sent = " +
           std::to_string(sent) + ", Received = " + std::to_string(received) +
           ", Lost = " + std::to_string(lost) +
           ".\nAverage round trip time: " + std::to_string(average) + "ms";
}

TEST(PingVerdict, MaximumLostDecidesTheStatus)
{
    struct {
        std::vector<double> times;
        int maximumLost;
        unsigned status;
        unsigned lost;
        std::string text;
    } const cases[] = {
        {{1, 2, 3}, -1, 0, 0, WithinText(3, 3, 0, 2)},
        {{0, 0, 0}, -1, 0, 3, WithinText(3, 0, 3, 0)},
        {{0, 0, 0}, 3, 0, 3, WithinText(3, 0, 3, 0)},
        {{0, 0, 4}, 2, 0, 2, WithinText(3, 1, 2, 4)},
        {{0, 0, 4}, 1, 2, 2, "Number of lost packets: 2 | Max allowed: 1"},
        {{0, 5}, 0, 2, 1, "Number of lost packets: 1 | Max allowed: 0"},
        {{5, 5}, -2, 2, 0, "Number of lost packets: 0 | Max allowed: -2"},
    };
    for (const auto& c : cases) {
        PingVerdict verdict = Judge(c.times, c.maximumLost);
        EXPECT_EQ(c.status, verdict.status) << c.text;
        EXPECT_EQ(c.lost, verdict.lost) << c.text;
        EXPECT_EQ(c.text, verdict.text);
    }
}

TEST(PingVerdict, AverageOverAnsweredRequestsRoundsHalfUpInTheText)
{
    struct {
        std::vector<double> times;
        double average;
        int shown;
    } const cases[] = {
        {{12.0, 13.0}, 12.5, 13},
        {{12.4}, 12.4, 12},
        {{0, 10.0, 0, 15.0}, 12.5, 13},
        {{0.3}, 0.3, 0},
    };
    for (const auto& c : cases) {
        PingVerdict verdict = Judge(c.times, -1);
        EXPECT_DOUBLE_EQ(c.average, verdict.average);
        int sent = static_cast<int>(c.times.size());
        EXPECT_EQ(WithinText(sent, sent - static_cast<int>(verdict.lost),
                             static_cast<int>(verdict.lost), c.shown),
                  verdict.text);
    }
}

TEST(PingVerdict, PingThatDidNotRunLosesEveryPacketAndSaysWhy)
{
    PingMeasure measure;
    measure.count = 4;
    measure.failure = "Failed with error 11001: No such host is known.\r\n";
    PingVerdict verdict = JudgePing(measure, -1);
    EXPECT_EQ(2u, verdict.status);
    EXPECT_EQ(4u, verdict.lost);
    EXPECT_EQ(0, verdict.average);
    EXPECT_EQ("Failed with error 11001: No such host is known.", verdict.text);
}

TEST(PingVerdict, NoCountOrNoReasonKeepsTheAllLostText)
{
    struct {
        int count;
        const char* failure;
        unsigned lost;
    } const cases[] = {
        {0, "reason", 0}, {-3, nullptr, 0}, {2, nullptr, 2}, {2, "", 2}, {2, "\r\n", 2}};
    for (const auto& c : cases) {
        PingMeasure measure;
        measure.answered = c.count > 0 ? false : true;
        measure.count = c.count;
        measure.failure = c.failure;
        PingVerdict verdict = JudgePing(measure, -1);
        EXPECT_EQ(2u, verdict.status) << c.count;
        EXPECT_EQ(c.lost, verdict.lost) << c.count;
        EXPECT_EQ("All sent packets were lost", verdict.text) << c.count;
    }
}

TEST(PingVerdict, DataSizesAndTheirPacketLengths)
{
    struct {
        int dataSize;
        unsigned short passed;
        size_t packet;
    } const cases[] = {
        {0, 0, 64},      {12, 12, 64},          {13, 13, 40},       {32, 32, 40},
        {100, 100, 108}, {65507, 65507, 65515}, {65508, 65508, 64}, {65536 + 100, 100, 108},
        {-1, 65535, 64},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.passed, PingDataSize(c.dataSize)) << c.dataSize;
        EXPECT_EQ(c.packet, EchoPacketLength(PingDataSize(c.dataSize))) << c.dataSize;
    }
}

TEST(PingVerdict, IdentifierIsTheLowHalfOfTheTestId)
{
    EXPECT_EQ(7, PingIdentifier(7));
    EXPECT_EQ(0x2345, PingIdentifier(0x12345));
    EXPECT_EQ(0xFFFF, PingIdentifier(-1));
}

TEST(PingVerdict, TimeOutWaitsForNoReplyWhenNegativeAndAMinuteAtMost)
{
    struct {
        int timeoutMs;
        unsigned int passed;
    } const cases[] = {
        {1000, 1000u}, {1, 1u},         {0, 0u},         {-1, 0u},          {-500, 0u},
        {INT_MIN, 0u}, {60000, 60000u}, {60001, 60000u}, {INT_MAX, 60000u},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.passed, PingTimeout(c.timeoutMs)) << c.timeoutMs;
}

template <class V>
V At(const std::string& bytes, size_t offset)
{
    V value;
    memcpy(&value, bytes.data() + offset, sizeof value);
    return value;
}

TEST(PingRecord, HoldsTypeIdsStatusLostAverageAndText)
{
    PingVerdict verdict = Judge({0, 12.0, 13.0}, -1);
    CComBSTR bytes;
    ASSERT_TRUE(BuildPingRecord(21, 8, verdict, &bytes));
    std::string blob(reinterpret_cast<const char*>(bytes.Get()), bytes.ByteLength());
    ASSERT_GE(blob.size(), 32u);
    const unsigned expectedHeader[8] = {static_cast<unsigned>(blob.size()), 0, 5, 1, 0, 1, 1, 0};
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(expectedHeader[i], At<unsigned>(blob, 4 * i)) << i;
    const unsigned expectedUi32[5] = {kResultIcmp, 21, 8, 0, 1};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(expectedUi32[i], At<unsigned>(blob, 32 + 4 * i)) << i;
    EXPECT_GT(At<long long>(blob, 52), 0);
    EXPECT_DOUBLE_EQ(12.5, At<double>(blob, 60));
    EXPECT_EQ(verdict.text + std::string(1, '\0'), blob.substr(68));
}

}  // namespace
