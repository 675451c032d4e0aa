// For tests of a plug-in's thread starts (thread_starters.h): CPostRecorder keeps what the
// thread's owner was handed, and ExpectUnstartedReport checks what a test whose thread could
// not be started (error 8) must leave there: one log line at level 1 that names the test and
// the error, and the test's failure record (status 2) with the error's text.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "com_bstr.h"
#include "record_reader.h"

struct CPostRecorder {
    void Record(CComBSTR* bytes, const char* desc)
    {
        records.emplace_back(reinterpret_cast<const char*>(bytes->Bytes()), bytes->ByteLength());
        descriptions.emplace_back(desc);
    }
    // "<level> <text>"
    void Log(int level, const char* text) { logs.push_back(std::to_string(level) + " " + text); }

    std::vector<std::string> records;
    std::vector<std::string> descriptions;
    std::vector<std::string> logs;
};

// The failure record read back, for the checks a plug-in adds of its own.
inline ReadRecord ExpectUnstartedReport(const CPostRecorder& posts, const std::string& prefix,
                                        unsigned int type, unsigned int tid, unsigned int lid,
                                        size_t ui32Count)
{
    ReadRecord record;
    EXPECT_EQ(posts.logs.size(), 1u);
    if (posts.logs.size() == 1) {
        const std::string& log = posts.logs[0];
        EXPECT_EQ(log.rfind("1 " + prefix + ": ", 0), 0u) << log;
        EXPECT_NE(log.find(std::to_string(tid)), std::string::npos) << log;
        EXPECT_NE(log.find("Failed with error 8: "), std::string::npos) << log;
    }
    EXPECT_EQ(posts.records.size(), 1u);
    if (posts.records.size() != 1)
        return record;
    EXPECT_EQ(posts.descriptions[0], prefix + ": New data is available.");
    record = ReadResultRecord(posts.records[0]);
    EXPECT_TRUE(record.ok);
    EXPECT_EQ(record.ui32.size(), ui32Count);
    if (record.ui32.size() >= 4) {
        EXPECT_EQ(record.ui32[0], type);
        EXPECT_EQ(record.ui32[1], tid);
        EXPECT_EQ(record.ui32[2], lid);
        EXPECT_EQ(record.ui32[3], 2u);  // failed
    }
    EXPECT_EQ(record.texts.size(), 1u);
    if (!record.texts.empty()) {
        EXPECT_EQ(record.texts[0].rfind("Failed with error 8: ", 0), 0u) << record.texts[0];
    }
    return record;
}
