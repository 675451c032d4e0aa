#include "http_request.h"

#include <wininet.h>

#include <algorithm>

#include "content_match.h"
#include "http_requester.h"
#include "request_context.h"
#include "wall_stamp.h"

const char* const kHttpUserAgent =
    "Mozilla/5.0 (compatible; Tolvane Quorin Agent; https://www.tolvane.com/agent)";

DWORD HttpRequestFlags(bool secure)
{
    DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_NO_COOKIES |
                  INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTP | INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTPS |
                  INTERNET_FLAG_IGNORE_CERT_DATE_INVALID | INTERNET_FLAG_IGNORE_CERT_CN_INVALID |
                  INTERNET_FLAG_NO_UI | INTERNET_FLAG_PRAGMA_NOCACHE;
    return secure ? flags | INTERNET_FLAG_SECURE : flags;
}

namespace {

constexpr DWORD kLongestWaitMs = INFINITE - 1;

class CHttpRequest {
public:
    CHttpRequest(const HttpTest& test, HANDLE abandon)
        : m_test(test), m_abandon(abandon), m_match(test.matchText)
    {
        m_measure.timeLeftMs = static_cast<int64_t>(test.timeout) * 1000;
    }

    HttpMeasure Run(const char* proxy, bool* abandoned)
    {
        m_start = TakeWallStamp();
        if (OpenRoot(proxy)) {
            if (Connect() && OpenRequest() && Send())
                Respond();
            Close();
        }
        if (!m_ended)
            m_end = TakeWallStamp();
        m_measure.elapsedMs = MillisecondsBetween(&m_start, &m_end);
        *abandoned = m_abandoned;
        return m_measure;
    }

private:
    // The outcome of waiting for a pending operation.
    bool AwaitCompletion()
    {
        m_measure.timeLeftMs =
            static_cast<int64_t>(m_test.timeout) * 1000 - MillisecondsBetween(&m_start, nullptr);
        if (m_measure.timeLeftMs < 1)
            return false;
        HANDLE handles[2] = {m_context->Event(), m_abandon};
        DWORD count = m_abandon ? 2 : 1;
        DWORD wait = static_cast<DWORD>(std::min<int64_t>(m_measure.timeLeftMs, kLongestWaitMs));
        switch (WaitForMultipleObjects(count, handles, FALSE, wait)) {
        case WAIT_OBJECT_0:
            return true;
        case WAIT_OBJECT_0 + 1:
            m_abandoned = true;
            return false;
        case WAIT_TIMEOUT:
            m_measure.timeLeftMs = 0;
            return false;
        default:
            m_measure.error = GetLastError();
            return false;
        }
    }

    // A call that made a handle returned null: true when it is coming (the callback stores
    // it), false when the request ends here.
    bool AwaitHandle()
    {
        DWORD error = GetLastError();
        if (error != ERROR_IO_PENDING) {
            m_measure.error = error;
            return false;
        }
        return AwaitCompletion();
    }

    bool OpenRoot(const char* proxy)
    {
        bool viaProxy = proxy && *proxy;
        m_root = InternetOpenA(kHttpUserAgent,
                               viaProxy ? INTERNET_OPEN_TYPE_PROXY : INTERNET_OPEN_TYPE_PRECONFIG,
                               viaProxy ? proxy : nullptr, nullptr, INTERNET_FLAG_ASYNC);
        if (!m_root) {
            m_measure.error = GetLastError();
            return false;
        }
        if (InternetSetStatusCallbackA(m_root, &CRequestContext::StatusCallback) ==
            INTERNET_INVALID_STATUS_CALLBACK) {
            m_measure.error = GetLastError();
            return true;
        }
        m_context = CRequestContext::Create(m_test.body);
        if (!m_context)
            m_measure.error = ERROR_NOT_ENOUGH_MEMORY;
        return true;
    }

    bool Connect()
    {
        if (!m_context || m_measure.error)
            return false;
        m_context->SetPhase(CRequestContext::kConnecting);
        HINTERNET connection = InternetConnectA(
            m_root, m_test.host.empty() ? nullptr : m_test.host.c_str(),
            static_cast<INTERNET_PORT>(m_test.port & 0xFFFF), m_test.userName.c_str(),
            m_test.password.c_str(), INTERNET_SERVICE_HTTP,
            m_test.secure ? INTERNET_FLAG_SECURE : 0, m_context->Value());
        return connection ? m_context->HandleReturned(connection) : AwaitHandle();
    }

    bool OpenRequest()
    {
        m_context->SetPhase(CRequestContext::kRequesting);
        const char* accept[] = {"*/*", nullptr};
        HINTERNET request =
            HttpOpenRequestA(m_context->Connection(), HttpVerb(m_test.method),
                             m_test.path.empty() ? nullptr : m_test.path.c_str(), nullptr, nullptr,
                             accept, HttpRequestFlags(m_test.secure), m_context->Value());
        return request ? m_context->HandleReturned(request) : AwaitHandle();
    }

    bool Send()
    {
        bool forgaveUnknownAuthority = false;
        for (;;) {
            if (HttpSendRequestA(m_context->Request(), nullptr, 0, m_context->BodyData(),
                                 m_context->BodyBytes()))
                return true;
            DWORD error = GetLastError();
            if (error != ERROR_IO_PENDING) {
                m_measure.error = error;
                return false;
            }
            if (!AwaitCompletion())
                return false;
            if (m_context->CompletionResult())
                return true;
            error = m_context->CompletionError();
            if (error == ERROR_INTERNET_INVALID_CA && !forgaveUnknownAuthority) {
                forgaveUnknownAuthority = true;
                if (ForgiveUnknownAuthority())
                    continue;
                error = GetLastError();
            }
            m_measure.error = error;
            return false;
        }
    }

    bool ForgiveUnknownAuthority()
    {
        DWORD flags = 0;
        DWORD size = sizeof flags;
        HINTERNET request = m_context->Request();
        if (!InternetQueryOptionA(request, INTERNET_OPTION_SECURITY_FLAGS, &flags, &size))
            return false;
        flags |= SECURITY_FLAG_IGNORE_UNKNOWN_CA;
        return InternetSetOptionA(request, INTERNET_OPTION_SECURITY_FLAGS, &flags, sizeof flags);
    }

    void Respond()
    {
        HINTERNET request = m_context->Request();
        DWORD code = 0;
        DWORD size = sizeof code;
        if (!HttpQueryInfoA(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &code, &size,
                            nullptr)) {
            m_measure.error = GetLastError();
            return;
        }
        m_measure.responded = true;
        m_measure.code = code;
        if (HttpCodeAccepted(code)) {
            DWORD length = 0;
            size = sizeof length;
            if (HttpQueryInfoA(request, HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER, &length,
                               &size, nullptr))
                m_measure.length = length;
            if (m_test.readContent)
                ReadBody();
        }
        TakeEndStamp();
    }

    void ReadBody()
    {
        HINTERNET request = m_context->Request();
        for (;;) {
            if (!InternetReadFileExW(request, m_context->PrepareRead(), IRF_ASYNC,
                                     m_context->Value())) {
                DWORD error = GetLastError();
                if (error != ERROR_IO_PENDING) {
                    m_measure.error = error;
                    return;
                }
                if (!AwaitCompletion())
                    return;
                if (!m_context->CompletionResult()) {
                    m_measure.error = m_context->CompletionError();
                    return;
                }
            }
            DWORD bytes = m_context->ChunkBytes();
            if (bytes == 0) {
                m_measure.length = static_cast<unsigned int>(m_match.Bytes());
                m_measure.matchFound = m_match.Found();
                return;
            }
            m_match.Feed(m_context->Chunk(), bytes);
        }
    }

    void TakeEndStamp()
    {
        m_end = TakeWallStamp();
        m_ended = true;
    }

    // Callback off the root first; the handles closed, children first; the context let go,
    // to be freed once WinINet is done with it.
    void Close()
    {
        InternetSetStatusCallbackA(m_root, nullptr);
        if (m_context) {
            if (HINTERNET request = m_context->Request())
                InternetCloseHandle(request);
            if (HINTERNET connection = m_context->Connection())
                InternetCloseHandle(connection);
        }
        InternetCloseHandle(m_root);
        if (m_context)
            m_context->Release();
        m_context = nullptr;
    }

    const HttpTest& m_test;
    HANDLE m_abandon;
    CContentMatch m_match;
    HttpMeasure m_measure;
    WallStamp m_start;
    WallStamp m_end;
    bool m_ended = false;
    bool m_abandoned = false;
    HINTERNET m_root = nullptr;
    CRequestContext* m_context = nullptr;
};

}  // namespace

HttpMeasure MeasureHttp(const HttpTest& test, const char* proxy, HANDLE abandon, bool* abandoned)
{
    CHttpRequest request(test, abandon);
    return request.Run(proxy, abandoned);
}

namespace {

class CSystemHttpRequester : public IHttpRequester {
public:
    HttpMeasure Request(const HttpTest& test, const char* proxy, HANDLE abandon,
                        bool* abandoned) override
    {
        return MeasureHttp(test, proxy, abandon, abandoned);
    }
};

}  // namespace

IHttpRequester& SystemHttpRequester()
{
    static CSystemHttpRequester requester;
    return requester;
}
