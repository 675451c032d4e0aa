#include "http_line.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// An add line with every field; `fields` replaces fields from the second on when given.
std::string Line(const char* code,
                 const std::string& rest =
                     "7\t3\t127.0.22.1\t/index.html\t8080\tmarker\tpayload\tuser\tsecret\t15\t1"
                     "\t0\t1\t1\t1")
{
    return std::string(code) + "\t" + rest;
}

TEST(HttpLine, CodeAndFieldCountDecideTheKind)
{
    const std::string fifteen = "7\t3\th\t/\t80\tm\tb\tu\tp\t5\t0\t0\t1\t1";
    const std::string seventeen = fifteen + "\t0\t0";
    struct {
        std::string line;
        LineAction action;
    } const cases[] = {
        {Line("HPA"), LineAction::Add},
        {Line("HPM"), LineAction::Modify},
        {"HPD\t7\t3", LineAction::Delete},
        {Line("HPA", fifteen), LineAction::Ignored},    // 15 fields
        {Line("HPA", seventeen), LineAction::Ignored},  // 17 fields
        {Line("HPM", fifteen), LineAction::Ignored},
        {"HPD\t7", LineAction::Ignored},
        {"HPD\t7\t3\t1", LineAction::Ignored},
        {Line("hpa"), LineAction::Ignored},  // the code is case-sensitive
        {Line("HPX"), LineAction::Ignored},
        {Line("HPA "), LineAction::Ignored},  // the whole field
        {"HPA", LineAction::Ignored},
        {std::string(15, '\t'), LineAction::Ignored},  // only TABs
        {std::string(40, '\t'), LineAction::Ignored},
        {"\xC3\xA9\xE2\x82\xAC\t1\t2", LineAction::Ignored},  // non-ASCII code
    };
    for (const auto& c : cases) {
        HttpLine line;
        ASSERT_TRUE(ParseHttpLine(c.line.c_str(), &line)) << c.line;
        EXPECT_EQ(c.action, line.action) << c.line;
    }
}

TEST(HttpLine, NullOrEmptyLineIsRefused)
{
    HttpLine line;
    EXPECT_FALSE(ParseHttpLine(nullptr, &line));
    EXPECT_FALSE(ParseHttpLine("", &line));
}

TEST(HttpLine, FieldsAreReadInTheirOrder)
{
    HttpLine line;
    ASSERT_TRUE(ParseHttpLine(Line("HPA").c_str(), &line));
    const HttpTest& t = line.test;
    EXPECT_EQ(7u, t.tid);
    EXPECT_EQ(3u, t.lid);
    EXPECT_EQ("127.0.22.1", t.host);
    EXPECT_EQ("/index.html", t.path);
    EXPECT_EQ(8080, t.port);
    EXPECT_EQ("marker", t.matchText);
    EXPECT_EQ("payload", t.body);
    EXPECT_EQ("user", t.userName);
    EXPECT_EQ("secret", t.password);
    EXPECT_EQ(15, t.timeout);
    EXPECT_TRUE(t.secure);
    EXPECT_TRUE(t.readContent);
    EXPECT_TRUE(t.matchSense);
    EXPECT_EQ(1, t.method);
    EXPECT_EQ("POST", std::string(HttpVerb(t.method)));
}

TEST(HttpLine, FlagsAreSetByAnyNumberButZeroAndFieldTwelveIsNotRead)
{
    HttpLine line;
    ASSERT_TRUE(
        ParseHttpLine(Line("HPM", "1\t1\th\t/\t80\t\t\t\t\t5\t-4\tjunk\t0\t7\t2").c_str(), &line));
    EXPECT_TRUE(line.test.secure);
    EXPECT_FALSE(line.test.readContent);
    EXPECT_TRUE(line.test.matchSense);
    EXPECT_EQ("HEAD", std::string(HttpVerb(line.test.method)));
    EXPECT_TRUE(line.test.matchText.empty());
    EXPECT_TRUE(line.test.body.empty());
    EXPECT_TRUE(line.test.userName.empty());
    EXPECT_TRUE(line.test.password.empty());
}

TEST(HttpLine, PortsAndNumbersReadLikeAtoi)
{
    struct {
        const char* port;
        int expected;
        unsigned short connection;  // the low 16 bits the connection uses
    } const cases[] = {
        {"443", 443, 443}, {"0", 80, 80},           {"-8", 80, 80},       {"abc", 80, 80},
        {"", 80, 80},      {"65535", 65535, 65535}, {"65616", 65616, 80}, {"8080x", 8080, 8080},
    };
    for (const auto& c : cases) {
        HttpLine line;
        std::string text =
            Line("HPA", std::string("1\t1\th\t/\t") + c.port + "\t\t\t\t\t5\t0\t0\t0\t0\t0");
        ASSERT_TRUE(ParseHttpLine(text.c_str(), &line));
        ASSERT_EQ(LineAction::Add, line.action) << c.port;
        EXPECT_EQ(c.expected, line.test.port) << c.port;
        EXPECT_EQ(c.connection, static_cast<unsigned short>(line.test.port & 0xFFFF)) << c.port;
    }
    HttpLine line;
    ASSERT_TRUE(ParseHttpLine(Line("HPA", "x\t-2\th\t/\t80\t\t\t\t\tsoon\t0\t0\t0\t0\tGET").c_str(),
                              &line));
    EXPECT_EQ(0u, line.test.tid);
    EXPECT_EQ(static_cast<unsigned int>(-2), line.test.lid);
    EXPECT_EQ(0, line.test.timeout);
    EXPECT_EQ("GET", std::string(HttpVerb(line.test.method)));
}

TEST(HttpLine, VeryLongAndNonAsciiFieldsAreKeptWhole)
{
    std::string host(100000, 'h');
    std::string match = "\xE6\x97\xA5\xE6\x9C\xAC";  // UTF-8
    HttpLine line;
    ASSERT_TRUE(ParseHttpLine(
        Line("HPA", "1\t1\t" + host + "\t/\t80\t" + match + "\t\t\t\t5\t0\t0\t1\t1\t0").c_str(),
        &line));
    EXPECT_EQ(host, line.test.host);
    EXPECT_EQ(match, line.test.matchText);
}

TEST(HttpLine, DeleteReadsTheTestId)
{
    HttpLine line;
    ASSERT_TRUE(ParseHttpLine("HPD\t42\tignored", &line));
    EXPECT_EQ(LineAction::Delete, line.action);
    EXPECT_EQ(42u, line.test.tid);
}

// The Init reply's list comes from the same table, in its order.
TEST(HttpLine, CommandCodesAreTheTablesInOrder)
{
    EXPECT_STREQ("HPAHPMHPD", HttpCommandCodes());
}

}  // namespace
