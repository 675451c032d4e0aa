// MeasureHttp: one request of an HTTP test through asynchronous WinINet (platform calls only).
//
// Connect, open the request, send it (once more when the server's certificate comes from an
// unknown authority), read the status code and the content length, and with read content set
// read the body in chunks and look for the match text. Every wait is bounded by the time left
// of the test's time-out and ends at once when `abandon` (a manual-reset event) is set; the
// request is then given up and *abandoned is set.
#pragma once

#include <windows.h>

#include "http_test_def.h"
#include "http_verdict.h"

// The User-Agent of every request.
extern const char* const kHttpUserAgent;

// The flags of every request; INTERNET_FLAG_SECURE is added for an HTTPS test.
DWORD HttpRequestFlags(bool secure);

// proxy: host:port of the proxy to use, null or empty for none. errorText is left unset.
HttpMeasure MeasureHttp(const HttpTest& test, const char* proxy, HANDLE abandon, bool* abandoned);
