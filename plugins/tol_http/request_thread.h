// StartHttpRequest: the request thread of one test's copy (HttpCheckThread).
//
// The thread measures the request, judges it, builds its RESULT_HTTP record and posts it
// through the check that started it. The check's pass waits for every thread it started
// (CThreadGroup), so the check outlives them; when the check stops it sets its abandon event,
// and a thread that sees it gives its request up and posts nothing.
//
// A request whose thread cannot be started is still reported: a log line (level 1) and the
// test's failure record, status 2 with the system's text for the error.
#pragma once

#include <windows.h>

#include <memory>

#include "com_bstr.h"
#include "http_requester.h"
#include "http_test_def.h"
#include "thread_group.h"

// What a request thread needs of the check that started it.
class CHttpRequestOwner {
public:
    // A heap copy of the proxy text (host:port) that the caller frees, or null for none.
    virtual char* GetProxy() = 0;
    // Manual-reset event set when the check stops.
    virtual HANDLE AbandonEvent() = 0;
    // What makes the request (the system's unless a test gave the check its own).
    virtual IHttpRequester* Requester() = 0;
    virtual void PostRecord(CComBSTR* bytes, const char* desc) = 0;
    // A log line through OnNewData.
    virtual void PostLog(int level, const char* text) = 0;

protected:
    ~CHttpRequestOwner() = default;
};

// False when no thread could be started: the failure is then reported and the copy freed.
bool StartHttpRequest(std::unique_ptr<HttpTest> test, CHttpRequestOwner* owner,
                      CThreadGroup* group);
