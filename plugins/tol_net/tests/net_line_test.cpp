#include "net_line.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct LineCase {
    const char* line;
    LineAction kind;
};

TEST(NetLine, CodeAndExactFieldCountDecideTheKind)
{
    const LineCase cases[] = {
        {"NTA\t1\t2\teth0", LineAction::Add},
        {"NTM\t1\t2\teth0", LineAction::Modify},
        {"NTD\t1\t2", LineAction::Delete},
        {"NTA\t1\t2", LineAction::Incorrect},           // three fields
        {"NTA\t1\t2\teth0\tx", LineAction::Incorrect},  // five fields
        {"NTA\t1\t2\t", LineAction::Incorrect},         // a trailing TAB adds no field
        {"NTA\t1\t2\t\t", LineAction::Add},             // ... two make an empty name
        {"NTM\t1\t2", LineAction::Incorrect},
        {"NTD\t1", LineAction::Incorrect},  // no location id
        {"NTD\t1\t2\t3", LineAction::Incorrect},
        {"nta\t1\t2\teth0", LineAction::Incorrect},  // codes are case-sensitive
        {"NTAX\t1\t2\teth0", LineAction::Incorrect},
        {"PGA\t1\t2\teth0", LineAction::Incorrect},
        {"\t\t\t", LineAction::Incorrect},  // only TABs
        {"NTA", LineAction::Incorrect},
    };
    for (const LineCase& c : cases) {
        NetLine line;
        ASSERT_TRUE(ParseNetLine(c.line, &line)) << c.line;
        EXPECT_EQ(c.kind, line.action) << c.line;
    }
}

TEST(NetLine, CommandCodesAreTheInitReply)
{
    EXPECT_STREQ("NTANTMNTD", NetCommandCodes());
}

TEST(NetLine, NullOrEmptyLineIsRefused)
{
    NetLine line;
    EXPECT_FALSE(ParseNetLine(nullptr, &line));
    EXPECT_FALSE(ParseNetLine("", &line));
}

TEST(NetLine, FieldsAreReadLikeAtoiAndTheNameAsItStands)
{
    NetLine line;
    ASSERT_TRUE(ParseNetLine("NTA\t 17\t-3\tLAN-Verbindung \xC3\xA4 2", &line));
    EXPECT_EQ(17, line.test.tid);
    EXPECT_EQ(-3, line.test.lid);
    EXPECT_EQ("LAN-Verbindung \xC3\xA4 2", line.test.adapter);

    ASSERT_TRUE(ParseNetLine("NTM\tx\t12abc\t ", &line));
    EXPECT_EQ(LineAction::Modify, line.action);
    EXPECT_EQ(0, line.test.tid);
    EXPECT_EQ(12, line.test.lid);
    EXPECT_EQ(" ", line.test.adapter);

    ASSERT_TRUE(ParseNetLine("NTD\t42\tunused", &line));
    EXPECT_EQ(LineAction::Delete, line.action);
    EXPECT_EQ(42, line.test.tid);
}

TEST(NetLine, VeryLongNameIsKeptWhole)
{
    std::string name(70000, 'n');
    NetLine line;
    ASSERT_TRUE(ParseNetLine(("NTA\t1\t1\t" + name).c_str(), &line));
    EXPECT_EQ(name, line.test.adapter);
}

}  // namespace
