#include "heap_helpers.h"
#include "reply_body_reader.h"
#include "request_headers.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <wininet.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::string Take(char* text)
{
    std::string result = text ? text : "<null>";
    FreeHeapBlock(text);
    return result;
}

TEST(RequestHeaders, SessionBlockIsWrittenByteForByte)
{
    struct Case {
        const char* session;
        unsigned long compression;
        unsigned long checksum;
        const char* version;
        const char* expected;
    } cases[] = {
        {"S1", 0, 0, nullptr,
         "Content-Type: application/octet-stream\r\nTol-SessionID: S1\r\nTol-Compression: 0\r\n"
         "Tol-CheckSum: 0\r\nTol-Platform: win32\r\nTol-Version: 4.001\r\n"},
        {"abc", 4096, 4294967295UL, "5.2",
         "Content-Type: application/octet-stream\r\nTol-SessionID: abc\r\n"
         "Tol-Compression: 4096\r\nTol-CheckSum: 4294967295\r\nTol-Platform: win32\r\n"
         "Tol-Version: 5.2\r\n"},
        {nullptr, 0, 7, "",
         "Content-Type: application/octet-stream\r\nTol-SessionID: \r\nTol-Compression: 0\r\n"
         "Tol-CheckSum: 7\r\nTol-Platform: win32\r\nTol-Version: 4.001\r\n"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Take(FormatSessionHeaders(c.session, c.compression, c.checksum, c.version)),
                  c.expected);
}

TEST(RequestHeaders, LoginBlockIsWrittenByteForByte)
{
    LoginHeaderFacts facts{
        "ops@example.com", "host-01", nullptr, "Microsoft Windows 7 (build 7601) 32-bit", "box",
        "Oct 29 2012",     "10:23:06"};
    EXPECT_EQ(Take(FormatLoginHeaders(facts)),
              "Content-Type: application/octet-stream\r\nTol-EMail: ops@example.com\r\n"
              "Tol-AName: host-01\r\nTol-Platform: win32\r\nTol-Version: 4.001\r\n"
              "Tol-OSVersion: Microsoft Windows 7 (build 7601) 32-bit\r\nTol-Hostname: box\r\n"
              "Tol-Builddate: Oct 29 2012 10:23:06\r\n");
}

TEST(RequestHeaders, LoginWithoutRegistrationSendsEmptyTexts)
{
    LoginHeaderFacts facts{nullptr, nullptr, "4.2", "os", "box", "Oct 29 2012", "10:23:06"};
    EXPECT_EQ(Take(FormatLoginHeaders(facts)),
              "Content-Type: application/octet-stream\r\nTol-EMail: \r\nTol-AName: \r\n"
              "Tol-Platform: win32\r\nTol-Version: 4.2\r\nTol-OSVersion: os\r\n"
              "Tol-Hostname: box\r\nTol-Builddate: Oct 29 2012 10:23:06\r\n");
}

// A reply that arrives in pieces of given sizes; a size of -1 is a failed read.
struct PiecedReply {
    std::string data;
    std::vector<int> pieces;
    size_t next = 0;
    size_t offset = 0;
};

bool ReadPiece(void* source, char* buffer, size_t size, size_t* got, unsigned long* error)
{
    auto* reply = static_cast<PiecedReply*>(source);
    *got = 0;
    if (reply->next >= reply->pieces.size())
        return true;
    int piece = reply->pieces[reply->next++];
    if (piece < 0) {
        *error = ERROR_INTERNET_CONNECTION_RESET;
        return false;
    }
    size_t take = std::min<size_t>(static_cast<size_t>(piece), size);
    take = std::min<size_t>(take, reply->data.size() - reply->offset);
    std::memcpy(buffer, reply->data.data() + reply->offset, take);
    reply->offset += take;
    *got = take;
    return true;
}

TEST(ReplyBodyReader, ReadsUntilTheEndOrTheLimitAndDropsALineTheLimitCut)
{
    const size_t kLimit = kReplyBodyLimit;
    // Lines of 16 bytes fill the limit exactly; a last line runs past it.
    std::string lines;
    while (lines.size() < kLimit - 16)
        lines += "XYZ\t1\t2\tpadding\n";
    std::string full = lines + "XYZ\t1\t2\tpadding\n";  // ends at the limit with "\n"
    std::string open = lines + "XYZ\t1\t2\tpaddingg";   // ends at the limit without
    std::string kept = lines + "XYZ\t12\t3\n";
    std::string cut = kept + "POL\t0\t300\n";  // the limit cuts "POL\t0\t3"
    std::string oneLine(kLimit + 100, 'x');
    struct Case {
        std::string data;
        std::vector<int> pieces;
        std::string expected;
        bool good;
    } cases[] = {
        {"POL\t30\n", {7}, "POL\t30\n", true},
        {"line one\nline two\n", {3, 5, 10}, "line one\nline two\n", true},
        {"", {}, "", true},
        {full, {5000, 5000}, full, true},
        {open, {5000, 5000}, open, true},             // nothing after it: whole
        {open + "\n", {5000, 5000, 1}, lines, true},  // the "\n" came after the limit
        {cut, {5000, 5000, 5000}, kept, true},
        {oneLine, {5000, 5000, 5000}, "", true},
        {"abcdef", {3, -1}, "abc", false},
    };
    for (const Case& c : cases) {
        PiecedReply reply{c.data, c.pieces};
        std::vector<char> buffer(kLimit + 1, '?');
        unsigned long error = 0;
        EXPECT_EQ(ReadReplyBody(&ReadPiece, &reply, buffer.data(), &error), c.good);
        EXPECT_EQ(std::string(buffer.data()), c.expected)
            << c.data.substr(c.data.size() > 20 ? c.data.size() - 20 : 0);
        if (!c.good) {
            EXPECT_EQ(error, static_cast<unsigned long>(ERROR_INTERNET_CONNECTION_RESET));
        }
    }
}

}  // namespace
