#include "snmp_record.h"
#include "snmp_verdict.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "mon_result2.h"

namespace {

struct Row {
    double d64;
    std::string text;
    unsigned ui32[5];  // type, test id, location id, status, fifth
    unsigned nested;
};

// The values of a RESULT_SNMP record (capacities 0, 5, 1, 0, 1, 1).
Row Read(const CComBSTR& bytes)
{
    const unsigned char* p = bytes.Bytes();
    unsigned header[8];
    memcpy(header, p, sizeof header);
    EXPECT_EQ(bytes.ByteLength(), header[0]);
    EXPECT_EQ(0u, header[1]);
    EXPECT_EQ(5u, header[2]);
    EXPECT_EQ(1u, header[3]);
    EXPECT_EQ(0u, header[4]);
    EXPECT_EQ(1u, header[5]);
    EXPECT_EQ(1u, header[6]);
    Row row;
    memcpy(row.ui32, p + 32, sizeof row.ui32);
    memcpy(&row.d64, p + 32 + 20 + 8, sizeof row.d64);
    row.text = reinterpret_cast<const char*>(p + 32 + 20 + 8 + 8);
    row.nested = header[7];
    return row;
}

TEST(SnmpVerdict, OnlyAFullyGoodRequestSucceeds)
{
    struct {
        bool init, sent, waited;
        const char* error;
        bool success;
    } const cases[] = {
        {true, true, true, nullptr, true},
        {true, true, true, "Request timed out", false},   // the API's own time-out notice
        {true, true, false, "Request timed out", false},  // the waiter's time-out
        {true, true, true, "The requested SNMP operation identified an unknown variable.", false},
        {true, false, false, "Destination unreachable", false},
        {false, false, false, "Object ID is incorrect", false},
        {false, false, false, nullptr, false},
        {true, true, false, nullptr, false},
    };
    for (const auto& c : cases) {
        SnmpFigures figures;
        figures.initialised = c.init;
        figures.sent = c.sent;
        figures.waited = c.waited;
        figures.error = c.error;
        EXPECT_EQ(c.success, JudgeSnmp(figures).success) << (c.error ? c.error : "-");
    }
}

TEST(SnmpVerdict, SuccessAndFailureRows)
{
    SnmpFigures figures;
    figures.initialised = figures.sent = figures.waited = true;
    figures.elapsedMs = 1.25;
    figures.oidCount = 4;
    SnmpVerdict good = JudgeSnmp(figures);
    EXPECT_EQ(1.25, good.elapsedMs);
    EXPECT_STREQ("New results are available.\n", good.text);
    EXPECT_EQ(0u, good.status);
    EXPECT_EQ(0u, good.fifth);  // the copy's mark
    figures.answered = true;
    EXPECT_EQ(1u, JudgeSnmp(figures).fifth);

    figures.error = "Request timed out";
    figures.elapsedMs = 2000.0;
    SnmpVerdict bad = JudgeSnmp(figures);
    EXPECT_EQ(0.0, bad.elapsedMs);
    EXPECT_STREQ("Request timed out", bad.text);
    EXPECT_EQ(3u, bad.status);
    EXPECT_EQ(4u, bad.fifth);
}

TEST(SnmpRecord, RowsAndNestedRecordsAreLaidOut)
{
    CMonResult2 first, second;
    ASSERT_TRUE(first.create(0, 2, 0, 0, 0, 2));
    first.add(9u);
    first.add(0u);
    first.add(const_cast<char*>("-5"));
    first.add(const_cast<char*>("OID: 1.3 the result is available.\n"));
    ASSERT_TRUE(second.create(0, 2, 0, 0, 0, 2));
    second.add(20u);
    second.add(2u);
    second.add(const_cast<char*>("no such object"));
    second.add(const_cast<char*>("OID: 1.4 no such object"));
    CMonResult2* nested[] = {&first, nullptr, &second};

    SnmpFigures figures;
    figures.initialised = figures.sent = figures.waited = true;
    figures.elapsedMs = 3.5;
    CComBSTR bytes;
    ASSERT_TRUE(BuildSnmpRecord(12, 34, JudgeSnmp(figures), nested, 3, &bytes));
    Row row = Read(bytes);
    EXPECT_EQ((std::vector<unsigned>{57, 12, 34, 0, 0}),
              std::vector<unsigned>(row.ui32, row.ui32 + 5));
    EXPECT_EQ(3.5, row.d64);
    EXPECT_EQ("New results are available.\n", row.text);
    EXPECT_EQ(2u, row.nested);  // an unanswered identifier has no record
    const unsigned char* end = bytes.Bytes() + bytes.ByteLength();
    EXPECT_EQ(0, memcmp(end - second.get_size(), second.get_pointer(), second.get_size()));
    EXPECT_EQ(0, memcmp(end - second.get_size() - first.get_size(), first.get_pointer(),
                        first.get_size()));

    figures.error = nullptr;
    figures.initialised = false;
    figures.oidCount = 0;
    ASSERT_TRUE(BuildSnmpRecord(12, 34, JudgeSnmp(figures), nested, 3, &bytes));
    row = Read(bytes);
    EXPECT_EQ((std::vector<unsigned>{57, 12, 34, 3, 0}),
              std::vector<unsigned>(row.ui32, row.ui32 + 5));
    EXPECT_EQ(0.0, row.d64);
    EXPECT_EQ("N/A", row.text);  // no error text
    EXPECT_EQ(0u, row.nested);   // a failure carries none
}

}  // namespace
