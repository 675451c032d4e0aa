#include "format_text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(FormatText, FormatsTextsOfAnyLength)
{
    EXPECT_EQ("tid: 7, name: 'eth0', 4294967295",
              FormatText("tid: %d, name: '%s', %u", 7, "eth0", 4294967295u));
    std::string longName(100000, 'x');
    EXPECT_EQ("'" + longName + "'", FormatText("'%s'", longName.c_str()));
    EXPECT_EQ("", FormatText("%s", ""));
}

}  // namespace
