// JudgeHttp: the RESULT_HTTP values of one request, as a function of what it measured.
//
//   time left 0 or less   status 2, 0 ms, "Timed out."
//   an error              status 2, 0 ms, the error's text
//   otherwise             the status below, the elapsed ms, "HTTP status code: %lu. " and the
//                         match message, if any
//
// Status 0 needs a status code of 0 to 401 or 403 (others fail); with read content set and a
// match text the expectation must hold as well:
//
//   found   sense   status   message
//   yes     set     0        "String found."
//   yes     clear   2        "String NOT found."
//   no      set     2        "String found."
//   no      clear   0        "String NOT found."
#pragma once

#include <cstdint>
#include <string>

#include "http_test_def.h"

// What one request measured.
struct HttpMeasure {
    int64_t timeLeftMs = 0;           // 0 or less: the time-out was used up
    unsigned long error = 0;          // WinINet or system error of the request; 0: none
    const char* errorText = nullptr;  // the error's text
    bool responded = false;           // a status code was read
    unsigned int code = 0;            // HTTP status code
    unsigned int length = 0;          // Content-Length, or the bytes of a body read to its end
    int64_t elapsedMs = 0;            // start to end of the response
    bool matchFound = false;          // the match text was in the body read
};

struct HttpVerdict {
    unsigned int status = 2;  // 0 the check held, 2 it failed
    unsigned int milliseconds = 0;
    unsigned int code = 0;
    unsigned int length = 0;
    std::string text;
};

// Status codes that count as an answer: 0 to 401, and 403.
bool HttpCodeAccepted(unsigned int code);

HttpVerdict JudgeHttp(const HttpMeasure& measure, const HttpTest& test);
