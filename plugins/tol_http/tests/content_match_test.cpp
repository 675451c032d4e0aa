#include "content_match.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct MatchCase {
    const char* text;
    std::vector<std::string> chunks;
    bool found;
};

TEST(ContentMatch, FindsTheTextInAnyChunkAndAcrossChunkEdges)
{
    const std::string nul("a\0b", 3);
    const MatchCase cases[] = {
        {"marker", {"<p>marker</p>"}, true},
        {"marker", {"<p>mar", "ker</p>"}, true},
        {"marker", {"m", "a", "r", "k", "e", "r"}, true},
        {"marker", {"<p>Marker</p>"}, false},  // bytes compared exactly
        {"marker", {"mark", "", "er"}, true},  // an empty chunk changes nothing
        {"marker", {"marke", "x", "r"}, false},
        {"abab", {"aba", "bab"}, true},
        {"tail", {std::string(5000, 'x'), "ta", std::string("il")}, true},
        {"after", {std::string("\0\0after", 7)}, true},  // NUL bytes before the text
        {"b", {nul}, true},
        {"marker", {}, false},
        {"", {"anything"}, false},
    };
    for (const MatchCase& c : cases) {
        CContentMatch match(c.text);
        size_t bytes = 0;
        for (const std::string& chunk : c.chunks) {
            match.Feed(chunk.data(), chunk.size());
            bytes += chunk.size();
        }
        EXPECT_EQ(c.found, match.Found()) << c.text;
        EXPECT_EQ(bytes, match.Bytes()) << c.text;
    }
}

TEST(ContentMatch, CountsEveryByteOfABodyLargerThanAnyBuffer)
{
    CContentMatch match("needle");
    std::string chunk(1023, 'x');
    for (int i = 0; i < 10000; ++i)
        match.Feed(chunk.data(), chunk.size());
    match.Feed("needle", 6);
    EXPECT_TRUE(match.Found());
    EXPECT_EQ(10000ull * 1023 + 6, match.Bytes());
}

}  // namespace
