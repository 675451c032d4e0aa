#include "ndis_line.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct KindCase {
    const char* line;
    bool accepted;
    NdisLineKind kind;
    int tid;
};

TEST(NdisLine, CodeIdAndFieldCountDecide)
{
    const KindCase cases[] = {
        {"NSA\t5", true, NdisLineKind::DiscoveryAdd, 5},
        {"NSD\t5", true, NdisLineKind::DiscoveryDelete, 5},
        {"DCA\t7\t2\t10.0.0.1\t10.0.0.5", true, NdisLineKind::ScanAdd, 7},
        {"DCM\t7\t10.0.0.1\t10.0.0.5", true, NdisLineKind::ScanModify, 7},
        {"DCD\t7", true, NdisLineKind::ScanDelete, 7},
        {"DCD\t-3", true, NdisLineKind::ScanDelete, -3},  // negative ids are ids
        {"NSD\t-3\textra\tfields", true, NdisLineKind::DiscoveryDelete, -3},
        {"NSA\t 12x", true, NdisLineKind::DiscoveryAdd, 12},       // read like atol
        {"DCA\t7\t2\t10.0.0.1", false, NdisLineKind::ScanAdd, 0},  // 4 fields
        {"DCM\t7\t10.0.0.1", false, NdisLineKind::ScanModify, 0},  // 3 fields
        {"NSA\t0", false, NdisLineKind::DiscoveryAdd, 0},
        {"NSA\tx", false, NdisLineKind::DiscoveryAdd, 0},
        {"NSA\t", false, NdisLineKind::DiscoveryAdd, 0},
        {"NSA", false, NdisLineKind::DiscoveryAdd, 0},
        {"DCD", false, NdisLineKind::ScanDelete, 0},
        {"nsa\t5", false, NdisLineKind::DiscoveryAdd, 0},  // exact code
        {"NSAX\t5", false, NdisLineKind::DiscoveryAdd, 0},
        {"NS\t5", false, NdisLineKind::DiscoveryAdd, 0},
        {"PGA\t5\t1\th\t1\t1\t1\t1", false, NdisLineKind::DiscoveryAdd, 0},
        {"\t\t\t\t", false, NdisLineKind::DiscoveryAdd, 0},
        {"\t5", false, NdisLineKind::DiscoveryAdd, 0},
        {"DCA\t\xC3\xA9\t1\ta\tb", false, NdisLineKind::ScanAdd, 0},  // non-ASCII id
    };
    for (const KindCase& c : cases) {
        NdisLine line;
        EXPECT_EQ(c.accepted, ParseNdisLine(c.line, &line)) << c.line;
        if (c.accepted) {
            EXPECT_EQ(c.kind, line.kind) << c.line;
            EXPECT_EQ(c.tid, line.tid) << c.line;
        }
    }
}

TEST(NdisLine, NullOrEmptyLineIsRejected)
{
    NdisLine line;
    EXPECT_FALSE(ParseNdisLine(nullptr, &line));
    EXPECT_FALSE(ParseNdisLine("", &line));
}

struct DiscoveryCase {
    const char* line;
    bool oneShot;
    int interval;
};

TEST(NdisLine, RepeatFlagAndIntervalOfADiscovery)
{
    const DiscoveryCase cases[] = {
        {"NSA\t5", true, 30},
        {"NSA\t5\t0\t600", true, 30},  // no repeat: the interval is ignored
        {"NSA\t5\t\t600", true, 30},   // an empty flag reads 0
        {"NSA\t5\t1", false, 30},
        {"NSA\t5\t-2\t60", false, 60},  // any flag but 0 repeats
        {"NSA\t5\t1\t10", false, 30},
        {"NSA\t5\t1\t11", false, 11},
        {"NSA\t5\t1\t2591999", false, 2591999},
        {"NSA\t5\t1\t2592000", false, 30},
        {"NSA\t5\t1\t-60", false, 30},
        {"NSA\t5\t1\tabc", false, 30},
        {"NSA\t5\t1\t99999999999999999999", false, 30},
        {"NSA\t5\tyes\t60", true, 30},  // a flag that is no number reads 0
    };
    for (const DiscoveryCase& c : cases) {
        NdisLine line;
        ASSERT_TRUE(ParseNdisLine(c.line, &line)) << c.line;
        EXPECT_EQ(c.oneShot, line.oneShot) << c.line;
        EXPECT_EQ(c.interval, line.interval) << c.line;
    }
}

TEST(NdisLine, ScanFieldsAreReadInTheirPlaces)
{
    NdisLine add;
    ASSERT_TRUE(ParseNdisLine("DCA\t9\t4\t10.0.0.1\t10.0.0.9\t1.3.6.1.2.1.1.3.0;1.3.6", &add));
    EXPECT_EQ(4u, add.lid);
    EXPECT_EQ("10.0.0.1", add.start);
    EXPECT_EQ("10.0.0.9", add.end);
    EXPECT_EQ("1.3.6.1.2.1.1.3.0;1.3.6", add.oids);

    NdisLine modify;
    ASSERT_TRUE(ParseNdisLine("DCM\t9\t10.0.1.1\t10.0.1.9", &modify));
    EXPECT_EQ("10.0.1.1", modify.start);
    EXPECT_EQ("10.0.1.9", modify.end);
    EXPECT_EQ("", modify.oids);
    EXPECT_EQ(0u, modify.lid);

    NdisLine odd;
    ASSERT_TRUE(ParseNdisLine("DCA\t9\tnone\t\t", &odd) == false);
    ASSERT_TRUE(ParseNdisLine("DCA\t9\t-1\t\t\t", &odd));  // empty texts reach the job as such
    EXPECT_EQ(0xFFFFFFFFu, odd.lid);
    EXPECT_EQ("", odd.start);
    EXPECT_EQ("", odd.end);
}

// The Init reply: the codes in the table's order.
TEST(NdisLine, CommandCodesAreTheTablesCodesInOrder)
{
    EXPECT_STREQ("NSANSDDCADCMDCD", NdisCommandCodes());
}

// Fields beyond those listed are ignored, however many there are.
TEST(NdisLine, ManyFieldsBeyondTheListedOnesAreIgnored)
{
    std::string extra;
    for (int i = 0; i < 100; ++i)
        extra += "\tx";
    NdisLine line;
    ASSERT_TRUE(ParseNdisLine(("DCA\t9\t4\t10.0.0.1\t10.0.0.9\t1.3.6" + extra).c_str(), &line));
    EXPECT_EQ(NdisLineKind::ScanAdd, line.kind);
    EXPECT_EQ("10.0.0.9", line.end);
    EXPECT_EQ("1.3.6", line.oids);
    ASSERT_TRUE(ParseNdisLine(("DCA\t9\t4\t10.0.0.1\t10.0.0.9\t" + extra).c_str(), &line));
    EXPECT_EQ("", line.oids);
    ASSERT_TRUE(ParseNdisLine(("NSA\t5\t1\t60" + extra).c_str(), &line));
    EXPECT_FALSE(line.oneShot);
    EXPECT_EQ(60, line.interval);
}

TEST(NdisLine, LongFieldsAreKeptWhole)
{
    std::string oids(100000, '1');
    std::string text = "DCA\t1\t1\t10.0.0.1\t10.0.0.2\t" + oids;
    NdisLine line;
    ASSERT_TRUE(ParseNdisLine(text.c_str(), &line));
    EXPECT_EQ(oids, line.oids);
    std::string id = "NSA\t" + std::string(5000, '7');
    ASSERT_TRUE(ParseNdisLine(id.c_str(), &line));
    EXPECT_EQ(2147483647, line.tid);  // saturated, still an id
}

}  // namespace
