// StartSnmpRequest: the request thread of one test's copy (SnmpRequestThread).
//
// The thread sends one SNMP GET with its own client, waits up to (retries + 1) x time-out for
// the answer, judges it, builds its RESULT_SNMP record and posts it through the checker that
// started it; a successful request marks the test answered. The checker's pass waits for every
// thread it started (CThreadGroup), so the checker outlives them; when the checker stops it
// abandons its requests, and a thread that sees that posts nothing.
//
// A request whose thread cannot be started is still reported: a log line (level 1) and the
// test's failure record, status 3 with the system's text for the error.
#pragma once

#include <memory>

#include "com_bstr.h"
#include "request_registry.h"
#include "snmp_request.h"
#include "thread_group.h"

extern const char* const kSnmpNewData;  // "tol_snmp: New data is available"

// Where the plug-in's threads hand their records.
class CSnmpRecordSink {
public:
    virtual void PostRecord(CComBSTR* bytes, const char* desc) = 0;
    // A log line of the given level, the text beginning with the plug-in's log prefix.
    virtual void PostLog(int level, const char* text) = 0;

protected:
    ~CSnmpRecordSink() = default;
};

// What a request thread needs of the checker that started it.
class CSnmpRequestOwner : public CSnmpRecordSink {
public:
    virtual CSnmpRequestRegistry& Requests() = 0;
    virtual void MarkAnswered(int tid) = 0;

protected:
    ~CSnmpRequestOwner() = default;
};

// False when no thread could be started: the failure is then reported and the copy freed.
bool StartSnmpRequest(std::unique_ptr<SnmpTest> test, CSnmpRequestOwner* owner,
                      CThreadGroup* group);
