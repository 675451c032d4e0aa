#include "request_thread.h"

#include <new>

#include "heap_helpers.h"
#include "http_record.h"
#include "http_request.h"
#include "http_verdict.h"

namespace {

constexpr const char* kNewData = "tol_http: New data is available.";

struct HeapBlockDeleter {
    void operator()(const void* block) const { FreeHeapBlock(block); }
};
using HeapText = std::unique_ptr<char, HeapBlockDeleter>;

void HttpCheckThread(const HttpTest& test, CHttpRequestOwner* owner)
{
    bool abandoned = false;
    HttpMeasure measure;
    {
        HeapText proxy(owner->GetProxy());
        measure = MeasureHttp(test, proxy.get(), owner->AbandonEvent(), &abandoned);
    }
    if (abandoned)
        return;
    HeapText errorText;
    if (measure.error) {
        errorText.reset(FormatErrorTextA(measure.error, GetModuleHandleA("wininet.dll")));
        measure.errorText = errorText.get();
    }
    CComBSTR bytes;
    if (BuildHttpRecord(test.testId, test.locationId, JudgeHttp(measure, test), &bytes))
        owner->PostRecord(&bytes, kNewData);
}

}  // namespace

bool StartHttpRequest(std::unique_ptr<HttpTest> test, CHttpRequestOwner* owner,
                      CThreadGroup* group)
{
    return StartItemThread(group, std::move(test), owner, &HttpCheckThread);
}
