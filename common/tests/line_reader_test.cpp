// Reading test lines by a table of rules, and the command codes the table gives.
#include "line_reader.h"

#include <gtest/gtest.h>

#include <string>

#include "text_numbers.h"

namespace {

enum class Kind { None, Bad, Add, Drop, Stop };

struct Line {
    int id = 0;
    std::string name;
};

bool ReadNamed(const CLineFields& fields, Line* out)
{
    out->id = ReadDecimalInt(fields[1]);
    out->name = fields[2];
    return !out->name.empty();
}

bool ReadId(const CLineFields& fields, Line* out)
{
    out->id = ReadDecimalInt(fields[1]);
    return true;
}

using Rule = LineRule<Kind, Line>;

const Rule kRules[] = {
    {"ADD", FieldCounts(3, 5), Kind::Add, ReadNamed},
    {"DRP", FieldCountRange(2, 3), Kind::Drop, ReadId},
    {"ADD", FieldCounts(4), Kind::Stop, nullptr},  // a second rule of a code: its own counts
    {"STP", FieldCounts(1), Kind::Stop, nullptr},
};

TEST(LineReader, TheCodeAndTheFieldCountPickTheRuleAndItsReaderTheKind)
{
    const struct {
        const char* line;
        Kind kind;
        int id;
    } cases[] = {
        {"ADD\t7\tname", Kind::Add, 7},
        {"ADD\t7\tname\tx\ty", Kind::Add, 7},
        {"ADD\t7\t", Kind::None, 0},         // a trailing TAB adds no field
        {"ADD\t7\t\tx\ty", Kind::Bad, 7},    // the reader refuses an empty name
        {"ADD\t7\tname\tx", Kind::Stop, 0},  // four fields: the later rule
        {"ADD\t7\tname\tx\ty\tz", Kind::None, 0},
        {"DRP\t9", Kind::Drop, 9},
        {"DRP\t9\tx", Kind::Drop, 9},
        {"DRP", Kind::None, 0},
        {"STP", Kind::Stop, 0},
        {"add\t7\tname", Kind::None, 0},  // codes are compared exactly
        {"ADDX\t7\tname", Kind::None, 0},
        {"\t\t", Kind::None, 0},
        {"", Kind::None, 0},
    };
    for (const auto& c : cases) {
        Line line;
        EXPECT_EQ(c.kind,
                  ReadLineByRules(CLineFields(c.line, '\t'), kRules, Kind::None, Kind::Bad, &line))
            << c.line;
        EXPECT_EQ(c.id, line.id) << c.line;
    }
}

TEST(LineReader, FieldCountSetsHoldWhatTheyName)
{
    constexpr FieldCountSet some = FieldCounts(0, 6, 8, 63);
    EXPECT_TRUE(some.Has(0) && some.Has(6) && some.Has(8) && some.Has(63));
    EXPECT_FALSE(some.Has(7) || some.Has(62) || some.Has(64) || some.Has(1000));
    constexpr FieldCountSet range = FieldCountRange(4, 16);
    EXPECT_FALSE(range.Has(3) || range.Has(17));
    EXPECT_TRUE(range.Has(4) && range.Has(10) && range.Has(16));
    EXPECT_FALSE(FieldCountRange(5, 4).Has(4) || FieldCountRange(5, 4).Has(5));
    EXPECT_TRUE(FieldCountRange(60, 200).Has(63));
}

TEST(LineReader, CommandCodesNameEachCodeOnceInTheTablesOrder)
{
    EXPECT_EQ("ADDDRPSTP", CommandCodes(kRules));
}

}  // namespace
