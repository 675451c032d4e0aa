// HttpTest: one HTTP or HTTPS test as the test lines define it.
#pragma once

#include <string>

enum HttpMethod : int { kMethodPost = 1, kMethodHead = 2 };  // any other value: GET

struct HttpTest {
    unsigned int testId = 0;
    unsigned int locationId = 0;
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
    bool changed = false;  // added or modified, not yet requested
};

// The verb a method number stands for: "POST", "HEAD" or "GET".
const char* HttpVerb(int method);
