#include "request_thread.h"

#include <new>
#include <string>

#include "heap_text.h"
#include "http_record.h"
#include "http_verdict.h"

namespace {

constexpr const char* kNewData = "tol_http: New data is available.";
constexpr int kLevelErrors = 1;

void HttpCheckThread(const HttpTest& test, CHttpRequestOwner* owner)
{
    bool abandoned = false;
    HttpMeasure measure;
    {
        CHeapText<char> proxy(owner->GetProxy());
        measure = owner->Requester()->Request(test, proxy.get(), owner->AbandonEvent(), &abandoned);
    }
    if (abandoned)
        return;
    CHeapText<char> errorText;
    if (measure.error) {
        errorText.reset(FormatErrorTextA(measure.error, GetModuleHandleA("wininet.dll")));
        measure.errorText = errorText.get();
    }
    CComBSTR bytes;
    if (BuildHttpRecord(test.tid, test.lid, JudgeHttp(measure, test), &bytes))
        owner->PostRecord(&bytes, kNewData);
}

// The test was not measured: its failure record carries the error of the thread's start.
void ReportUnstarted(const HttpTest& test, DWORD error, CHttpRequestOwner* owner)
{
    if (error == 0)
        error = ERROR_NOT_ENOUGH_MEMORY;
    CHeapText<char> errorText(FormatErrorTextA(error, nullptr));
    const char* text = errorText ? errorText.get() : "Unknown Error.";
    std::string line = "tol_http: The request of test " + std::to_string(test.tid) +
                       " could not be started. " + text;
    owner->PostLog(kLevelErrors, line.c_str());
    HttpMeasure measure;
    measure.timeLeftMs = 1;
    measure.error = error;
    measure.errorText = text;
    CComBSTR bytes;
    if (BuildHttpRecord(test.tid, test.lid, JudgeHttp(measure, test), &bytes))
        owner->PostRecord(&bytes, kNewData);
}

}  // namespace

bool StartHttpRequest(std::unique_ptr<HttpTest> test, CHttpRequestOwner* owner, CThreadGroup* group)
{
    if (!test || !owner)
        return false;
    if (StartItemThread(group, &test, owner, &HttpCheckThread))
        return true;
    ReportUnstarted(*test, GetLastError(), owner);
    return false;
}
