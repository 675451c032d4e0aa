#include "text_numbers.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

TEST(TextNumbers, IntegersReadLikeAtoiWithinTheirRange)
{
    const struct {
        const char* text;
        int value;
    } cases[] = {
        {"42", 42},
        {"-1", -1},
        {" 7x", 7},
        {"x7", 0},
        {"", 0},
        {"3.9", 3},
        {"2147483647", INT_MAX},
        {"2147483648", INT_MAX},
        {"-99999999999999999999", INT_MIN},
        {"0x10", 0},
        {"+5", 5},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.value, ReadDecimalInt(c.text)) << c.text;
    EXPECT_EQ(0, ReadDecimalInt(nullptr));
    EXPECT_EQ(25769803776LL, ReadDecimalInt64("25769803776"));
    EXPECT_EQ(LLONG_MAX, ReadDecimalInt64("99999999999999999999999"));
}

TEST(TextNumbers, DecimalNumbersTakeSignAndFractionOnly)
{
    const struct {
        const char* text;
        double value;
    } cases[] = {
        {"12", 12.0},     {"-1", -1.0}, {"2.50", 2.5}, {".5", 0.5},  {"7.", 7.0},
        {" 3.25%", 3.25}, {"1e3", 1.0}, {"inf", 0.0},  {"nan", 0.0}, {"0x1p3", 0.0},
        {"-", 0.0},       {".", 0.0},   {"", 0.0},     {"abc", 0.0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.value, ReadDecimalNumber(c.text)) << c.text;
    EXPECT_EQ(0.0, ReadDecimalNumber(nullptr));
}

}  // namespace
