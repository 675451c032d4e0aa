// BuildHttpRecord: the RESULT_HTTP record of one request.
//
// UI32: 49, test id, location id, status, milliseconds, HTTP status code, length;
// I64: time stamp; one text.
#pragma once

#include "com_bstr.h"
#include "http_verdict.h"

bool BuildHttpRecord(unsigned int tid, unsigned int lid, const HttpVerdict& verdict,
                     CComBSTR* bytes);
