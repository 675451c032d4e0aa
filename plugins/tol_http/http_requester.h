// IHttpRequester: how the HTTP plug-in makes one request, and nothing else. The plug-in
// requests through the system's requester (SystemHttpRequester, MeasureHttp over WinINet in
// http_request.cpp); tests give its check a requester that answers with figures of their own.
#pragma once

#include <windows.h>

#include "http_test_def.h"
#include "http_verdict.h"

class IHttpRequester {
public:
    virtual ~IHttpRequester() = default;

    // One request of the test. proxy: host:port of the proxy to use, null or empty for none;
    // abandon: a manual-reset event that gives the request up (then *abandoned is set), or
    // null. errorText is left unset.
    virtual HttpMeasure Request(const HttpTest& test, const char* proxy, HANDLE abandon,
                                bool* abandoned) = 0;
};

IHttpRequester& SystemHttpRequester();
