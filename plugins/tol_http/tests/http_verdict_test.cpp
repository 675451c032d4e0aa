#include "http_verdict.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "http_record.h"

namespace {

HttpMeasure Answered(unsigned int code, int64_t elapsed = 120, unsigned int length = 512)
{
    HttpMeasure m;
    m.timeLeftMs = 5000 - elapsed;
    m.responded = true;
    m.code = code;
    m.length = length;
    m.elapsedMs = elapsed;
    return m;
}

HttpTest MakeTest(bool readContent, const char* match = "", bool sense = true)
{
    HttpTest test;
    test.tid = 3;
    test.timeout = 5;
    test.readContent = readContent;
    test.matchText = match;
    test.matchSense = sense;
    return test;
}

TEST(HttpVerdict, StatusCodesFrom0To401And403PassOthersFail)
{
    struct {
        unsigned int code;
        unsigned int status;
    } const cases[] = {
        {0, 0},   {100, 0}, {200, 0}, {204, 0}, {301, 0}, {304, 0}, {399, 0}, {400, 0}, {401, 0},
        {402, 2}, {403, 0}, {404, 2}, {405, 2}, {500, 2}, {503, 2}, {599, 2}, {600, 2}, {999, 2},
    };
    for (const auto& c : cases) {
        HttpVerdict v = JudgeHttp(Answered(c.code), MakeTest(false));
        EXPECT_EQ(c.status, v.status) << c.code;
        EXPECT_EQ("HTTP status code: " + std::to_string(c.code) + ". ", v.text) << c.code;
        EXPECT_EQ(c.code, v.code);
        EXPECT_EQ(120u, v.milliseconds);
        EXPECT_EQ(512u, v.length);
    }
}

TEST(HttpVerdict, TheMatchMessageFollowsTheSenseTheStatusWhetherItHeld)
{
    struct {
        bool found;
        bool sense;
        unsigned int status;
        const char* message;
    } const cases[] = {
        {true, true, 0, "String found."},
        {true, false, 2, "String NOT found."},
        {false, true, 2, "String found."},
        {false, false, 0, "String NOT found."},
    };
    for (const auto& c : cases) {
        HttpMeasure m = Answered(200);
        m.matchFound = c.found;
        HttpVerdict v = JudgeHttp(m, MakeTest(true, "marker", c.sense));
        EXPECT_EQ(c.status, v.status) << c.found << c.sense;
        EXPECT_EQ(std::string("HTTP status code: 200. ") + c.message, v.text);
    }
}

TEST(HttpVerdict, NoMatchWithoutReadContentOrMatchTextOrAnAcceptedCode)
{
    HttpMeasure m = Answered(200);
    m.matchFound = false;
    HttpVerdict unread = JudgeHttp(m, MakeTest(false, "marker", true));
    EXPECT_EQ(0u, unread.status);
    EXPECT_EQ("HTTP status code: 200. ", unread.text);
    HttpVerdict noText = JudgeHttp(m, MakeTest(true, "", true));
    EXPECT_EQ(0u, noText.status);
    EXPECT_EQ("HTTP status code: 200. ", noText.text);
    HttpVerdict missing = JudgeHttp(Answered(404), MakeTest(true, "marker", false));
    EXPECT_EQ(2u, missing.status);
    EXPECT_EQ("HTTP status code: 404. ", missing.text);
    HttpVerdict absent = JudgeHttp(m, MakeTest(true, "marker", false));
    EXPECT_EQ(0u, absent.status);
}

TEST(HttpVerdict, TimeOutComesBeforeAnErrorAndBothReportNoTime)
{
    struct {
        int64_t timeLeft;
        unsigned long error;
        const char* text;
    } const cases[] = {
        {0, 0, "Timed out."},
        {-40, 12002, "Timed out."},
        {1, 12029, "Failed with error 12029: cannot connect"},
    };
    for (const auto& c : cases) {
        HttpMeasure m = Answered(401, 900, 77);
        m.timeLeftMs = c.timeLeft;
        m.error = c.error;
        m.errorText = "Failed with error 12029: cannot connect";
        m.matchFound = true;
        HttpVerdict v = JudgeHttp(m, MakeTest(true, "marker", true));
        EXPECT_EQ(2u, v.status);
        EXPECT_EQ(0u, v.milliseconds);
        EXPECT_EQ(401u, v.code);  // whatever was read before
        EXPECT_EQ(77u, v.length);
        EXPECT_EQ(c.text, v.text);
    }
}

TEST(HttpVerdict, NoStatusCodeReadFailsWithCodeZero)
{
    HttpMeasure m;
    m.timeLeftMs = 3000;
    m.elapsedMs = 40;
    HttpVerdict v = JudgeHttp(m, MakeTest(false));
    EXPECT_EQ(2u, v.status);
    EXPECT_EQ("HTTP status code: 0. ", v.text);
    EXPECT_EQ(40u, v.milliseconds);
}

TEST(HttpVerdict, AClockSteppedBackReportsZeroMilliseconds)
{
    EXPECT_EQ(0u, JudgeHttp(Answered(200, -2000), MakeTest(false)).milliseconds);
}

template <class V>
V At(const std::string& bytes, size_t offset)
{
    V value;
    memcpy(&value, bytes.data() + offset, sizeof value);
    return value;
}

TEST(HttpRecord, HoldsTypeIdsStatusTimeCodeLengthAndText)
{
    HttpMeasure m = Answered(200, 85, 4096);
    m.matchFound = true;
    HttpVerdict verdict = JudgeHttp(m, MakeTest(true, "marker", true));
    CComBSTR bytes;
    ASSERT_TRUE(BuildHttpRecord(31, 6, verdict, &bytes));
    std::string blob(reinterpret_cast<const char*>(bytes.Get()), bytes.ByteLength());
    ASSERT_GE(blob.size(), 68u);
    const unsigned expectedHeader[8] = {static_cast<unsigned>(blob.size()), 0, 7, 1, 0, 0, 1, 0};
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(expectedHeader[i], At<unsigned>(blob, 4 * i)) << i;
    const unsigned expectedUi32[7] = {49, 31, 6, 0, 85, 200, 4096};
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(expectedUi32[i], At<unsigned>(blob, 32 + 4 * i)) << i;
    EXPECT_GT(At<long long>(blob, 60), 0);
    EXPECT_EQ(std::string("HTTP status code: 200. String found.") + '\0', blob.substr(68));
}

}  // namespace
