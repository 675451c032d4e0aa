// HttpTest: one HTTP or HTTPS test as the test lines define it, and the rules its list keeps.
#pragma once

#include <string>

#include "test_list.h"

enum HttpMethod : int { kMethodPost = 1, kMethodHead = 2 };  // any other value: GET

struct HttpTest {
    unsigned int tid = 0;  // any id but 0 (a negative id in a line reads as unsigned)
    unsigned int lid = 0;
    std::string host;          // empty: none
    std::string path;          // empty: none
    std::string matchText;     // empty: no content match
    std::string body;          // empty: no data sent with the request
    std::string userName;      // empty: ""
    std::string password;      // empty: ""
    int port = 80;             // the connection uses its low 16 bits
    int timeout = 0;           // seconds for the whole request
    bool secure = false;       // HTTPS
    bool readContent = false;  // read the body
    bool matchSense = false;   // set: the match text must be present; clear: absent
    int method = 0;
};

// The verb a method number stands for: "POST", "HEAD" or "GET".
const char* HttpVerb(int method);

// An add, a modify and a delete take any id but 0; a modify replaces every field and makes the
// test new again, so the check-now pass after it requests the test.
template <>
struct CTestListHooks<HttpTest> {
    static bool Accepts(const HttpTest& test) { return test.tid != 0; }
    static bool TakesId(unsigned int tid) { return tid != 0; }
    static bool Modify(HttpTest* entry, const HttpTest& from)
    {
        *entry = from;
        return true;
    }
};
