#include "net_line.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct LineCase {
    const char* line;
    NetLineKind kind;
};

TEST(NetLine, CodeAndExactFieldCountDecideTheKind)
{
    const LineCase cases[] = {
        {"NTA\t1\t2\teth0", NetLineKind::Add},
        {"NTM\t1\t2\teth0", NetLineKind::Modify},
        {"NTD\t1\t2", NetLineKind::Delete},
        {"NTA\t1\t2", NetLineKind::Ignored},           // three fields
        {"NTA\t1\t2\teth0\tx", NetLineKind::Ignored},  // five fields
        {"NTA\t1\t2\t", NetLineKind::Ignored},         // a trailing TAB adds no field
        {"NTA\t1\t2\t\t", NetLineKind::Add},           // ... two make an empty name
        {"NTM\t1\t2", NetLineKind::Ignored},
        {"NTD\t1", NetLineKind::Ignored},  // no location id
        {"NTD\t1\t2\t3", NetLineKind::Ignored},
        {"nta\t1\t2\teth0", NetLineKind::Ignored},  // codes are case-sensitive
        {"NTAX\t1\t2\teth0", NetLineKind::Ignored},
        {"PGA\t1\t2\teth0", NetLineKind::Ignored},
        {"\t\t\t", NetLineKind::Ignored},  // only TABs
        {"NTA", NetLineKind::Ignored},
    };
    for (const LineCase& c : cases) {
        NetLine line;
        ASSERT_TRUE(ParseNetLine(c.line, &line)) << c.line;
        EXPECT_EQ(c.kind, line.kind) << c.line;
    }
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
    EXPECT_EQ(17, line.testId);
    EXPECT_EQ(-3, line.locationId);
    EXPECT_EQ("LAN-Verbindung \xC3\xA4 2", line.adapter);

    ASSERT_TRUE(ParseNetLine("NTM\tx\t12abc\t ", &line));
    EXPECT_EQ(NetLineKind::Modify, line.kind);
    EXPECT_EQ(0, line.testId);
    EXPECT_EQ(12, line.locationId);
    EXPECT_EQ(" ", line.adapter);

    ASSERT_TRUE(ParseNetLine("NTD\t42\tunused", &line));
    EXPECT_EQ(NetLineKind::Delete, line.kind);
    EXPECT_EQ(42, line.testId);
}

TEST(NetLine, VeryLongNameIsKeptWhole)
{
    std::string name(70000, 'n');
    NetLine line;
    ASSERT_TRUE(ParseNetLine(("NTA\t1\t1\t" + name).c_str(), &line));
    EXPECT_EQ(name, line.adapter);
}

}  // namespace
