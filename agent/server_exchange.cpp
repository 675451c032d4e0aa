// The agent's exchange with its monitoring server: one POST over WinINet per call, on a
// sending thread of its own with a time limit.
#include <winsock2.h>

#include "main_worker.h"

#include "agent_texts.h"
#include "event_log.h"
#include "heap_helpers.h"
#include "os_display_string.h"
#include "reply_body_reader.h"
#include "reply_dispatch.h"
#include "request_headers.h"
#include "trace_log.h"

#include <cwchar>

namespace {

constexpr DWORD kSendTimeLimit = 30000;
constexpr DWORD kAfterCloseWait = 5000;
constexpr unsigned short kDefaultServerPort = 443;
constexpr char kDefaultServerHost[] = "gateway.tolvane.com";
constexpr char kDefaultServerPath[] = "/fcgi-bin/agentgateway";
constexpr char kUserAgent[] = TOL_USER_AGENT;
constexpr DWORD kConnectionFlags = 0x8468F380;
constexpr DWORD kOpeningFlags = 0x80300;
constexpr DWORD kSecureFlag = INTERNET_FLAG_SECURE;
constexpr DWORD kIgnoreCertificateFlags =
    SECURITY_FLAG_IGNORE_REVOCATION | SECURITY_FLAG_IGNORE_UNKNOWN_CA |
    SECURITY_FLAG_IGNORE_WRONG_USAGE | SECURITY_FLAG_IGNORE_CERT_CN_INVALID;
constexpr DWORD kNameBufferSize = 512;

void CloseOnce(HINTERNET* handle)
{
    void* old = InterlockedExchangePointer(reinterpret_cast<void**>(handle), nullptr);
    if (old)
        InternetCloseHandle(static_cast<HINTERNET>(old));
}

void FireFormatted(CMainWorker& engine, long status, const wchar_t* format, unsigned long value)
{
    wchar_t text[128];
    std::swprintf(text, sizeof(text) / sizeof(text[0]), format, value);
    engine.FireStatusChanged(status, text);
}

void ReportWinInetError(CMainWorker& engine, DWORD error)
{
    wchar_t* text = FormatErrorText(error, GetModuleHandleW(L"wininet.dll"));
    ReportAgentEvent(EVENTLOG_ERROR_TYPE, kEventIdError, text);
    engine.FireStatusChanged(STATUS_SEND_FAILED, text);
    FreeHeapBlock(text);
}

void ReportTemporaryServerError(CMainWorker& engine, DWORD statusCode)
{
    wchar_t text[128];
    std::swprintf(text, sizeof(text) / sizeof(text[0]), TOL_TEXT_TEMPORARY_SERVER_ERROR,
                  static_cast<int>(statusCode));
    ReportAgentEvent(EVENTLOG_WARNING_TYPE, kEventIdError, text);
    engine.FireStatusChanged(STATUS_SERVER_ERROR, text);
}

// The bytes to post, made from one send block.
struct RequestBody {
    char* raw = nullptr;
    unsigned char* packed = nullptr;
    void* bytes = nullptr;
    DWORD length = 0;
    unsigned long compression = 0;
    unsigned long checksum = 0;

    ~RequestBody()
    {
        FreeHeapBlock(raw);
        FreeHeapBlock(packed);
    }
};

void PrepareBody(const CZlibBinding& zlib, bool zlibPresent, RequestBody& body)
{
    body.bytes = body.raw;
    if (!body.raw || !zlibPresent)
        return;
    unsigned long packedLength = 0;
    if (!zlib.CompressBlock(body.raw, body.length, &body.packed, &packedLength)) {
        body.checksum = zlib.ComputeAdler32(body.raw, body.length);
        return;
    }
    unsigned long checksum = zlib.ComputeAdler32(body.packed, packedLength);
    if (checksum == 0) {
        FreeHeapBlock(body.packed);
        body.packed = nullptr;
        return;
    }
    body.compression = body.length;
    body.checksum = checksum;
    body.bytes = body.packed;
    body.length = packedLength;
}

}  // namespace

bool CMainWorker::WaitForSendingThread(DWORD milliseconds)
{
    if (!m_sendThread)
        return true;
    if (WaitForSingleObject(m_sendThread, milliseconds) == WAIT_TIMEOUT)
        return false;
    CloseHandle(m_sendThread);
    m_sendThread = nullptr;
    return true;
}

bool CMainWorker::FinishForExit(DWORD milliseconds)
{
    StopAndWaitForMainWorkerThread();
    const DWORD start = GetTickCount();
    auto left = [&]() -> DWORD {
        if (milliseconds == INFINITE)
            return INFINITE;
        const DWORD spent = GetTickCount() - start;
        return spent < milliseconds ? milliseconds - spent : 0;
    };
    return WaitForSendingThread(milliseconds) && m_replyReader.Finish(left()) &&
           EndUpgradeThread(left());
}

void CMainWorker::ExchangeWithTimeout()
{
    if (m_sendThread) {
        // The last sending thread outlived its limit: no second exchange beside it.
        if (WaitForSingleObject(m_sendThread, 0) != WAIT_OBJECT_0)
            return;
        CloseHandle(m_sendThread);
        m_sendThread = nullptr;
    }
    HANDLE thread = CreateThread(nullptr, 0, &CMainWorker::SendThread, this, 0, nullptr);
    if (!thread)
        return;
    if (WaitForSingleObject(thread, kSendTimeLimit) == WAIT_TIMEOUT) {
        FireStatusChanged(STATUS_SEND_FAILED, TOL_TEXT_SEND_TIMED_OUT);
        CloseExchangeHandles();
        if (WaitForSingleObject(thread, kAfterCloseWait) == WAIT_TIMEOUT) {
            m_sendThread = thread;
            return;
        }
    }
    CloseHandle(thread);
}

void CMainWorker::CloseExchangeHandles()
{
    CloseOnce(&m_request);
    CloseOnce(&m_connection);
    CloseOnce(&m_internet);
}

DWORD WINAPI CMainWorker::SendThread(void* argument)
{
    static_cast<CMainWorker*>(argument)->RunSendThread();
    return 0;
}

HINTERNET CMainWorker::OpenInternetSession()
{
    char* proxy = CopyProxy();
    DWORD access = proxy && *proxy ? INTERNET_OPEN_TYPE_PROXY : INTERNET_OPEN_TYPE_PRECONFIG;
    DWORD flags = kOpeningFlags | (s_secure ? kSecureFlag : 0);
    HINTERNET internet = m_openInternet(
        kUserAgent, access, access == INTERNET_OPEN_TYPE_PROXY ? proxy : nullptr, nullptr, flags);
    for (int model = 1; !internet && model <= 3; ++model) {
        FireFormatted(*this, STATUS_MESSAGE, TOL_TEXT_SEND_TRYING_MODEL,
                      static_cast<unsigned long>(model));
        if (model == 1)
            access = INTERNET_OPEN_TYPE_PRECONFIG;
        else if (model == 2)
            flags = 0;
        else
            access = INTERNET_OPEN_TYPE_DIRECT;
        internet = m_openInternet(kUserAgent, access, nullptr, nullptr, flags);
    }
    FreeHeapBlock(proxy);
    return internet;
}

bool CMainWorker::SendRequestBody(HINTERNET request, const char* headers, void* body, DWORD length,
                                  DWORD* error)
{
    if (!HttpAddRequestHeadersA(request, headers, static_cast<DWORD>(-1), HTTP_ADDREQ_FLAG_ADD)) {
        *error = GetLastError();
        FireStatusChanged(STATUS_SEND_FAILED, TOL_TEXT_SEND_HEADERS_FAILED);
        return false;
    }
    for (;;) {
        if (HttpSendRequestA(request, nullptr, 0, body, length)) {
            if (m_request == request)
                return true;
            // The time limit closed the request while the call was under way. Windows
            // aborts the call; where it runs to its end all the same, the exchange is given
            // up just as well, and the closed handle is not touched again.
            *error = ERROR_INTERNET_OPERATION_CANCELLED;
            break;
        }
        *error = GetLastError();
        // Closed by the time limit: give up.
        if (*error != ERROR_INTERNET_INVALID_CA || m_request != request)
            break;
        DWORD flags = 0;
        DWORD size = sizeof(flags);
        InternetQueryOptionA(request, INTERNET_OPTION_SECURITY_FLAGS, &flags, &size);
        flags |= kIgnoreCertificateFlags;
        InternetSetOptionA(request, INTERNET_OPTION_SECURITY_FLAGS, &flags, sizeof(flags));
    }
    FireStatusChanged(STATUS_SEND_FAILED, TOL_TEXT_SEND_REQUEST_FAILED);
    return false;
}

namespace {

bool ReadFromRequest(void* source, char* buffer, size_t size, size_t* got, unsigned long* error)
{
    DWORD read = 0;
    if (!InternetReadFile(static_cast<HINTERNET>(source), buffer, static_cast<DWORD>(size),
                          &read)) {
        *error = GetLastError();
        return false;
    }
    *got = read;
    return true;
}

}  // namespace

void CMainWorker::RunSendThread()
{
    DWORD error = 0;
    DWORD statusCode = 0;
    bool refused = false;
    char body[kReplyBodyLimit + 1] = {};
    ExchangeSession session;
    RequestBody request;
    char* headers = nullptr;
    DWORD connectionFlags = kConnectionFlags | (s_secure ? kSecureFlag : 0);
    HINTERNET handle = nullptr;

    TakeExchangeSession(&session);
    if (!(handle = OpenInternetSession())) {
        error = GetLastError();
        FireStatusChanged(STATUS_SEND_FAILED, TOL_TEXT_SEND_INIT_FAILED);
        goto done;
    }
    m_internet = handle;
    handle = InternetConnectA(handle, s_serverHost ? s_serverHost : kDefaultServerHost,
                              s_serverPort ? s_serverPort : kDefaultServerPort, "", "",
                              INTERNET_SERVICE_HTTP, connectionFlags, 0);
    if (!handle) {
        error = GetLastError();
        FireStatusChanged(STATUS_SEND_FAILED, TOL_TEXT_SEND_CONNECT_FAILED);
        goto done;
    }
    m_connection = handle;
    {
        const char* accept[] = {"text/xml", nullptr};
        handle = HttpOpenRequestA(handle, "POST",
                                  s_serverPath && *s_serverPath ? s_serverPath : kDefaultServerPath,
                                  nullptr, nullptr, accept, connectionFlags, 0);
    }
    if (!handle) {
        error = GetLastError();
        FireStatusChanged(STATUS_SEND_FAILED, TOL_TEXT_SEND_OPEN_REQUEST_FAILED);
        goto done;
    }
    m_request = handle;

    // A login carries no body.
    if (session.authorized)
        TakeInFlightBlock(&request.raw, &request.length);
    if (request.raw)
        WriteTraceLogFormat("Sending data: %d bytes", static_cast<int>(request.length));
    PrepareBody(m_zlib, m_zlibPresent, request);
    headers = BuildRequestHeaders(session, request.checksum, request.compression);
    if (!headers) {
        error = ERROR_NOT_ENOUGH_MEMORY;
        FireStatusChanged(STATUS_SEND_FAILED, TOL_TEXT_SEND_HEADERS_FAILED);
        goto done;
    }
    if (!SendRequestBody(handle, headers, request.bytes, request.length, &error))
        goto done;
    {
        DWORD size = sizeof(statusCode);
        if (!HttpQueryInfoA(handle, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &statusCode,
                            &size, nullptr)) {
            error = GetLastError();
            statusCode = 0;
            FireStatusChanged(STATUS_SEND_FAILED, TOL_TEXT_SEND_STATUS_FAILED);
            goto done;
        }
    }
    error = 0;
    if (statusCode == 200) {
        char value[256] = "Tol-SessionID";
        DWORD size = sizeof(value) - 1;
        if (HttpQueryInfoA(handle, HTTP_QUERY_CUSTOM, value, &size, nullptr))
            refused = OnAuthorizationResult(session, value);
        unsigned long readError = 0;
        if (!ReadReplyBody(&ReadFromRequest, handle, body, &readError)) {
            error = readError;
            body[0] = '\0';
            FireStatusChanged(STATUS_SEND_FAILED, TOL_TEXT_SEND_READ_FAILED);
        }
    }

done:
    CloseExchangeHandles();
    FreeHeapBlock(headers);
    // After the refusal its status stays the last one: nothing more to report.
    if (!refused)
        OnSendCompleted(session, request.raw != nullptr, body, error, statusCode);
}

void CMainWorker::TakeExchangeSession(ExchangeSession* session)
{
    CScopedLock lock(m_sessionLock);
    session->authorized = m_authorized.load();
    session->sessionEpoch = m_sessionEpoch;
    session->sessionId = DupText(m_sessionId);
    CScopedLock credentials(m_credentialsLock);
    session->registrationEpoch = m_registrationEpoch;
    session->eMail = DupText(m_eMail);
    session->agentName = DupText(m_agentName);
}

bool CMainWorker::IsSessionCurrent(const ExchangeSession& session)
{
    CScopedLock lock(m_sessionLock);
    return session.sessionEpoch == m_sessionEpoch;
}

void CMainWorker::EndSession()
{
    CScopedLock lock(m_sessionLock);
    FreeHeapBlock(m_sessionId);
    m_sessionId = nullptr;
    m_authorized.store(false);
    ++m_sessionEpoch;
}

char* CMainWorker::BuildRequestHeaders(const ExchangeSession& session, unsigned long checksum,
                                       unsigned long compression)
{
    if (session.authorized)
        return FormatSessionHeaders(session.sessionId, compression, checksum, s_version);
    char osVersion[kOSDisplayBufferSize] = {};
    GetOSDisplayString(osVersion);
    char hostName[kNameBufferSize] = {};
    if (gethostname(hostName, sizeof(hostName)) != 0)
        lstrcpynA(hostName, "Unknown", sizeof(hostName));
    LoginHeaderFacts facts{session.eMail, session.agentName, s_version, osVersion,
                           hostName,      __DATE__,          __TIME__};
    return FormatLoginHeaders(facts);
}

bool CMainWorker::OnAuthorizationResult(ExchangeSession& session, const char* value)
{
    if (!value || !*value)
        return false;
    bool refused = lstrcmpA(value, "666666") == 0;
    bool serverError = lstrcmpA(value, "111111") == 0;
    {
        // Checked and taken under the locks, so that no registration, stop or start comes
        // between: the answer is for the registration this exchange sent, in the session
        // it used.
        CScopedLock lock(m_sessionLock);
        CScopedLock credentials(m_credentialsLock);
        if (session.sessionEpoch != m_sessionEpoch ||
            session.registrationEpoch != m_registrationEpoch)
            return false;
        if (!refused && !serverError) {
            FreeHeapBlock(m_sessionId);
            m_sessionId = DupText(value);
            StoreRegistration();
            m_authorized.store(true);
            session.sessionEpoch = ++m_sessionEpoch;
        }
    }
    if (refused) {
        ReportAgentEvent(EVENTLOG_ERROR_TYPE, kEventIdError, TOL_TEXT_AUTH_REFUSED);
        FireStatusChanged(STATUS_AUTH_FAILED, TOL_TEXT_AUTH_REFUSED);
        StopMonitoring(nullptr, false);
        return true;
    }
    if (serverError) {
        ReportAgentEvent(EVENTLOG_ERROR_TYPE, kEventIdError, TOL_TEXT_AUTH_INTERNAL_ERROR);
        FireStatusChanged(STATUS_SERVER_ERROR, TOL_TEXT_AUTH_INTERNAL_ERROR);
        return false;
    }
    ReportAgentEvent(EVENTLOG_INFORMATION_TYPE, kEventIdStatus, TOL_TEXT_AUTH_SUCCEEDED);
    FireStatusChanged(STATUS_AUTHORIZED, TOL_TEXT_AUTH_SUCCEEDED);
    return false;
}

void CMainWorker::ReportLoginOutcome(const ExchangeSession& session, const char* body, DWORD error,
                                     DWORD statusCode)
{
    if (error != 0) {
        ReportWinInetError(*this, error);
        return;
    }
    if (!IsSessionCurrent(session))
        return;  // an answer for a registration or a start that has been replaced
    if (!m_authorized.load()) {
        ReportTemporaryServerError(*this, statusCode);
        return;
    }
    HandOverReply(body);
}

void CMainWorker::HandOverReply(const char* body)
{
    if (!body || !*body)
        return;
    // The next exchange must know the session has ended; every other body is read apart,
    // so that no plug-in's Add holds up this sending thread and the tick waiting for it.
    if (IsSessionEndBody(body))
        ParseServerReply(body);
    else
        m_replyReader.Post(body);
}

void CMainWorker::OnSendCompleted(const ExchangeSession& session, bool carried, const char* body,
                                  DWORD error, DWORD statusCode)
{
    if (!session.authorized) {
        ReportLoginOutcome(session, body, error, statusCode);
        return;
    }
    if (error != 0) {
        m_connectionFailing.store(true);
        ReportWinInetError(*this, error);
        return;
    }
    if (statusCode != 200) {
        m_connectionFailing.store(true);
        ReportTemporaryServerError(*this, statusCode);
        return;
    }
    if (m_connectionFailing.exchange(false))
        FireStatusChanged(STATUS_INFO, TOL_TEXT_CONNECTION_RESTORED);
    if (carried) {
        // The server has taken what this exchange posted.
        CScopedLock lock(m_cacheLock);
        SysFreeString(m_inFlight);
        m_inFlight = nullptr;
    }
    if (IsSessionCurrent(session))
        HandOverReply(body);
}
