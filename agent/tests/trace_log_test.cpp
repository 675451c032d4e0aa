#include "registry_fixture.h"
#include "trace_log.h"

#include <fstream>
#include <iterator>
#include <regex>
#include <string>

namespace {

TEST(TraceLogFormat, FileNameAndLine)
{
    std::tm beforeMidnight{};
    beforeMidnight.tm_year = 2026 - 1900;
    beforeMidnight.tm_mon = 11;
    beforeMidnight.tm_mday = 31;
    beforeMidnight.tm_hour = 23;
    beforeMidnight.tm_min = 59;
    beforeMidnight.tm_sec = 59;
    std::tm afterMidnight{};
    afterMidnight.tm_year = 2027 - 1900;
    afterMidnight.tm_mon = 0;
    afterMidnight.tm_mday = 1;

    EXPECT_EQ(TraceLogFileName(beforeMidnight), "tolintagent_2026_12_31.log");
    EXPECT_EQ(TraceLogFileName(afterMidnight), "tolintagent_2027_01_01.log");
    EXPECT_EQ(FormatTraceLine(beforeMidnight, 1234, "Service started"),
              "23:59:59 (1234): Service started\r\n");
    EXPECT_EQ(FormatTraceLine(afterMidnight, 7, ""), "00:00:00 (7): \r\n");
}

class TraceLogFile : public TolvaneRegistryTest {
protected:
    std::string TodaysFile()
    {
        char folder[MAX_PATH];
        GetTempPathA(MAX_PATH, folder);
        __time64_t now = _time64(nullptr);
        std::tm local{};
        _localtime64_s(&local, &now);
        return std::string(folder) + TraceLogFileName(local);
    }
    std::string Contents()
    {
        std::ifstream in(TodaysFile(), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
};

TEST_F(TraceLogFile, WritesOnlyWhileTraceIsOn)
{
    DeleteFileA(TodaysFile().c_str());
    WriteTraceLog("no settings key: dropped");
    SetDWord(TOL_REG_SETTINGS_KEY, L"Trace", 0);
    WriteTraceLog("trace 0: dropped");
    SetRaw(TOL_REG_SETTINGS_KEY, L"Trace", REG_SZ, L"10", 6);
    WriteTraceLog("trace as text: dropped");
    EXPECT_EQ(Contents(), "");

    SetDWord(TOL_REG_SETTINGS_KEY, L"Trace", 1);
    WriteTraceLog("first line");
    SetDWord(TOL_REG_SETTINGS_KEY, L"Trace", 10);
    WriteTraceLog("second line \xc3\xa4");
    SetDWord(TOL_REG_SETTINGS_KEY, L"Trace", 0);
    WriteTraceLog("switched off: dropped");

    std::string text = Contents();
    std::regex expected("\\d\\d:\\d\\d:\\d\\d \\(" + std::to_string(GetCurrentThreadId()) +
                        "\\): first line\r\n"
                        "\\d\\d:\\d\\d:\\d\\d \\(\\d+\\): second line \xc3\xa4\r\n");
    EXPECT_TRUE(std::regex_match(text, expected)) << text;
    DeleteFileA(TodaysFile().c_str());
}

}  // namespace
