#include "heap_helpers.h"
#include "reply_body_reader.h"
#include "request_headers.h"

#include <gtest/gtest.h>

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
    LoginHeaderFacts facts{"ops@example.com", "host-01", nullptr,
                           "Microsoft Windows 7 (build 7601) 32-bit", "box", "Oct 29 2012",
                           "10:23:06"};
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

BOOL ReadPiece(void* source, void* buffer, DWORD size, DWORD* read)
{
    auto* reply = static_cast<PiecedReply*>(source);
    *read = 0;
    if (reply->next >= reply->pieces.size())
        return TRUE;
    int piece = reply->pieces[reply->next++];
    if (piece < 0) {
        SetLastError(ERROR_INTERNET_CONNECTION_RESET);
        return FALSE;
    }
    DWORD take = std::min<DWORD>(static_cast<DWORD>(piece), size);
    take = std::min<DWORD>(take, static_cast<DWORD>(reply->data.size() - reply->offset));
    std::memcpy(buffer, reply->data.data() + reply->offset, take);
    reply->offset += take;
    *read = take;
    return TRUE;
}

TEST(ReplyBodyReader, ReadsUntilTheEndOrTheLimit)
{
    std::string big(kReplyBodyLimit + 100, 'x');
    struct Case {
        std::string data;
        std::vector<int> pieces;
        std::string expected;
        bool good;
    } cases[] = {
        {"POL\t30\n", {7}, "POL\t30\n", true},
        {"line one\nline two\n", {3, 5, 10}, "line one\nline two\n", true},
        {"", {}, "", true},
        {big, {5000, 5000, 5000}, big.substr(0, kReplyBodyLimit), true},
        {"abcdef", {3, -1}, "abc", false},
    };
    for (const Case& c : cases) {
        PiecedReply reply{c.data, c.pieces};
        std::vector<char> buffer(kReplyBodyLimit + 1, '?');
        DWORD error = 0;
        EXPECT_EQ(ReadReplyBody(&ReadPiece, &reply, buffer.data(), &error), c.good);
        EXPECT_EQ(std::string(buffer.data()), c.expected);
        if (!c.good) {
            EXPECT_EQ(error, static_cast<DWORD>(ERROR_INTERNET_CONNECTION_RESET));
        }
    }
}

}  // namespace
