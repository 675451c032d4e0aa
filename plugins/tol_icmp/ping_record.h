// BuildPingRecord: the RESULT_ICMP record of one probe.
//
// UI32: 48, test id, location id, status, lost; I64: time stamp; D64: average ms; text.
#pragma once

#include "com_bstr.h"
#include "ping_verdict.h"

constexpr unsigned int kResultIcmp = 48;

bool BuildPingRecord(int tid, int lid, const PingVerdict& verdict, CComBSTR* bytes);
