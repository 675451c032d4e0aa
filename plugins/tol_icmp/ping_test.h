// PingTest: one ping test as the test lines define it.
#pragma once

#include <string>

struct PingTest {
    int testId = 0;
    std::string host;     // empty: the test has no host
    int count = 0;        // echo requests per check
    int dataSize = 0;     // echo payload in bytes
    int timeout = 0;      // milliseconds per echo request
    int maximumLost = 0;  // highest loss that still succeeds; -1: no limit
    int locationId = 0;
    bool isNew = false;  // added and not yet probed
};
