#include <winsock2.h>

#include "main_worker.h"

#include "agent_texts.h"
#include "event_log.h"
#include "heap_helpers.h"
#include "md5_hex.h"
#include "privilege.h"

#include <algorithm>
#include <string>

char* CMainWorker::s_serverHost = nullptr;
char* CMainWorker::s_serverPath = nullptr;
unsigned short CMainWorker::s_serverPort = 0;
bool CMainWorker::s_secure = true;
char* CMainWorker::s_version = nullptr;
std::atomic<bool> CMainWorker::s_workerAlive{false};

namespace {

void HandOut(wchar_t** error, const wchar_t* text)
{
    if (error)
        *error = DupWideText(text);
}

void ReplaceText(char** member, const char* text)
{
    FreeHeapBlock(*member);
    *member = DupText(text);
}

bool IsMissing(const char* text)
{
    return !text || !*text;
}

}  // namespace

CMainWorker::CMainWorker()
    : m_startThread(&CMainWorker::StartSuspendedThread),
      m_startUpgradeThread(&CMainWorker::StartRunningThread),
      m_openInternet(&InternetOpenA),
      m_runState(RUN_STOPPED),
      m_zlibPresent(false),
      m_pollPeriod(0),
      m_maxBufferSize(kDefaultMaxBufferSize),
      m_maxBufferCount(kDefaultMaxBufferCount),
      m_mainWorkerThread(nullptr),
      m_stopEvent(nullptr),
      m_inFlight(nullptr),
      m_sessionId(nullptr),
      m_eMail(nullptr),
      m_password(nullptr),
      m_agentName(nullptr),
      m_proxy(nullptr),
      m_authorized(false),
      m_connectionFailing(false),
      m_lastStatus(STATUS_STOPPED),
      m_internet(nullptr),
      m_connection(nullptr),
      m_request(nullptr),
      m_upgradeAddress(nullptr),
      m_upgradeVersion(nullptr),
      m_upgradeBusy(false),
      m_upgradeThread(nullptr),
      m_link(&DefaultServerLink()),
      m_sessionEpoch(0),
      m_registrationEpoch(0),
      m_sendThread(nullptr),
      m_downloadLimits(kDownloadLimits),
      m_plugInGeneration(0),
      m_replyReader([this](const char* body) { ParseServerReply(body); })
{
    WSADATA wsaData;
    WSAStartup(MAKEWORD(1, 0), &wsaData);
    ReadSettings();
    CrackHostSetting();
    FreeHeapBlock(s_version);
    s_version = m_settings.GetVersion();
    m_zlibPresent = m_zlib.LoadZlib();
    EnablePrivilege(L"SeDebugPrivilege", true);

    wchar_t* error = nullptr;
    if (!StartWork(&error) && error)
        ReportAgentEvent(EVENTLOG_ERROR_TYPE, kEventIdError, error);
    FreeHeapBlock(error);
    s_workerAlive.store(true);
}

CMainWorker::~CMainWorker()
{
    s_workerAlive.store(false);
    StopAndWaitForMainWorkerThread();
    WaitForSendingThread();
    m_replyReader.Finish();
    EndUpgradeThread();
    ReleasePlugIns();
    m_zlib.UnloadZlib();
    WSACleanup();
    m_settings.CloseKeys();
    for (BSTR buffer : m_sendCache)
        SysFreeString(buffer);
    m_sendCache.clear();
    SysFreeString(m_inFlight);
    FreeHeapBlock(m_sessionId);
    FreeHeapBlock(m_eMail);
    FreeHeapBlock(m_password);
    FreeHeapBlock(m_agentName);
    FreeHeapBlock(m_proxy);
    FreeHeapBlock(m_upgradeAddress);
    FreeHeapBlock(m_upgradeVersion);
}

void CMainWorker::ReadSettings()
{
    m_eMail = m_settings.GetEMail();
    m_password = m_settings.GetPassword();
    m_agentName = m_settings.GetAgentName();
    m_proxy = m_settings.GetProxySetting();
}

void CMainWorker::CrackHostSetting()
{
    FreeHeapBlock(s_serverHost);
    FreeHeapBlock(s_serverPath);
    s_serverHost = nullptr;
    s_serverPath = nullptr;
    s_serverPort = 0;
    s_secure = true;
    char* host = m_settings.GetHost();
    if (!host)
        return;
    char hostName[256] = {};
    char path[2084] = {};
    URL_COMPONENTSA parts = {};
    parts.dwStructSize = sizeof(parts);
    parts.lpszHostName = hostName;
    parts.dwHostNameLength = sizeof(hostName);
    parts.lpszUrlPath = path;
    parts.dwUrlPathLength = sizeof(path);
    if (InternetCrackUrlA(host, 0, ICU_ESCAPE, &parts)) {
        s_serverHost = DupText(hostName);
        s_serverPath = DupText(path);
        s_serverPort = parts.nPort;
        if (parts.nScheme == INTERNET_SCHEME_HTTP)
            s_secure = false;
    }
    FreeHeapBlock(host);
}

bool CMainWorker::StartWork(wchar_t** error)
{
    char* name = CopyAgentName();
    char* eMail = CopyEMail();
    bool registered = !IsMissing(name) && !IsMissing(eMail);
    FreeHeapBlock(name);
    FreeHeapBlock(eMail);
    if (!registered) {
        ReportAgentEvent(EVENTLOG_ERROR_TYPE, kEventIdError, TOL_TEXT_NOT_REGISTERED);
        HandOut(error, TOL_TEXT_NOT_REGISTERED);
        return false;
    }
    {
        CScopedLock lock(m_stateLock);
        if (m_runState != RUN_STOPPED) {
            HandOut(error, TOL_TEXT_ALREADY_RUNNING);
            return false;
        }
        m_runState = RUN_RUNNING;
    }
    {
        CScopedLock lock(m_sessionLock);
        FreeHeapBlock(m_sessionId);
        m_sessionId = nullptr;
        m_authorized.store(false);
        ++m_sessionEpoch;
    }

    HANDLE thread = m_startThread(&CMainWorker::MainWorkerThread, this);
    if (!thread) {
        wchar_t* text = FormatErrorText(GetLastError(), nullptr);
        ReportAgentEvent(EVENTLOG_ERROR_TYPE, kEventIdError, text);
        {
            // Without a thread nothing runs: stopped again, so work can be started later.
            CScopedLock lock(m_stateLock);
            m_runState = RUN_STOPPED;
        }
        if (error)
            *error = text;
        else
            FreeHeapBlock(text);
        return false;
    }
    {
        CScopedLock lock(m_stateLock);
        m_mainWorkerThread = thread;
    }
    ResumeThread(thread);

    if (EnumeratePlugIns())
        ImportPlugIns();
    FireStatusChanged(STATUS_INFO, TOL_TEXT_INIT_COMPLETED);
    return true;
}

HANDLE CMainWorker::StartSuspendedThread(LPTHREAD_START_ROUTINE routine, void* argument)
{
    return CreateThread(nullptr, 0, routine, argument, CREATE_SUSPENDED, nullptr);
}

HANDLE CMainWorker::StartRunningThread(LPTHREAD_START_ROUTINE routine, void* argument)
{
    return CreateThread(nullptr, 0, routine, argument, 0, nullptr);
}

bool CMainWorker::StopMonitoring(wchar_t** error, bool waitForWorker)
{
    long state = GetRunState();
    if (state == RUN_STOPPED) {
        HandOut(error, TOL_TEXT_ALREADY_STOPPED);
        return false;
    }
    if (state == RUN_STOPPING) {
        HandOut(error, TOL_TEXT_STOPPING);
        return false;
    }
    StopWorkNow(waitForWorker);
    return true;
}

void CMainWorker::StopWorkNow(bool waitForWorker)
{
    ReleasePlugIns();
    // Lines not yet read were meant for the plug-ins just released.
    m_replyReader.Discard();
    HANDLE thread = nullptr;
    {
        CScopedLock lock(m_stateLock);
        m_runState = RUN_STOPPING;
        if (waitForWorker) {
            // The waiter owns the handle from here; the thread leaves it alone.
            thread = m_mainWorkerThread;
            m_mainWorkerThread = nullptr;
        }
    }
    SetStopEvent();
    if (thread) {
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);
    }
    {
        CScopedLock lock(m_sessionLock);
        m_authorized.store(false);
        ++m_sessionEpoch;
    }
    SetPollPeriod(0);
}

void CMainWorker::StopAndWaitForMainWorkerThread()
{
    if (GetRunState() == RUN_RUNNING)
        StopWorkNow(true);
    // A stop without the wait may have left the main worker thread finishing its pass.
    HANDLE thread = nullptr;
    {
        CScopedLock lock(m_stateLock);
        thread = m_mainWorkerThread;
        m_mainWorkerThread = nullptr;
    }
    if (thread) {
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);
    }
}

void CMainWorker::SetStopEvent()
{
    CScopedLock lock(m_stopEventLock);
    if (m_stopEvent)
        SetEvent(m_stopEvent);
}

bool CMainWorker::RegisterAgent(const char* eMail, const char* agentName, const char* password)
{
    if (!eMail || !agentName)
        return false;
    std::string digest;
    if (!Md5Hex(password ? password : "", digest))
        digest.clear();
    {
        // A login under way with the earlier registration no longer counts (its answer is
        // not stored), and the next tick logs in with this one.
        CScopedLock session(m_sessionLock);
        CScopedLock lock(m_credentialsLock);
        ReplaceText(&m_agentName, agentName);
        ReplaceText(&m_eMail, eMail);
        ReplaceText(&m_password, digest.c_str());
        ++m_registrationEpoch;
        m_authorized.store(false);
        ++m_sessionEpoch;
    }
    FireStatusChanged(STATUS_REGISTRATION_PENDING, TOL_TEXT_REGISTRATION_PENDING);
    return true;
}

void CMainWorker::StoreRegistration()
{
    CScopedLock lock(m_credentialsLock);
    if (!m_settings.CreateAgentKey())
        return;
    m_settings.SetAgentName(m_agentName);
    m_settings.SetEMail(m_eMail);
    m_settings.SetPassword(m_password);
}

void CMainWorker::ClearRegistration()
{
    CScopedLock lock(m_credentialsLock);
    m_settings.DeleteAgentKey();
    ReplaceText(&m_eMail, nullptr);
    ReplaceText(&m_password, nullptr);
    ReplaceText(&m_agentName, nullptr);
    ++m_registrationEpoch;
}

void CMainWorker::SetProxyServer(const char* proxy)
{
    m_settings.SetProxySetting(proxy);
    {
        CScopedLock lock(m_credentialsLock);
        ReplaceText(&m_proxy, proxy);
    }
    SetProxyOnPlugIns(proxy);
    FireStatusChanged(STATUS_PROXY_CHANGED, TOL_TEXT_PROXY_CHANGED);
}

void CMainWorker::SetTraceFlag(bool on)
{
    m_settings.SetTraceValue(on ? 10 : 0);
}

bool CMainWorker::IsTraceFlagOn()
{
    return m_settings.GetTrace() != 0;
}

long CMainWorker::GetRunState()
{
    CScopedLock lock(m_stateLock);
    return m_runState;
}

long CMainWorker::GetLastStatus()
{
    CScopedLock lock(m_receiversLock);
    return m_lastStatus;
}

long CMainWorker::GetPollPeriod()
{
    CScopedLock lock(m_periodLock);
    return m_pollPeriod;
}

void CMainWorker::SetPollPeriod(long seconds)
{
    CScopedLock lock(m_periodLock);
    m_pollPeriod = seconds;
}

unsigned CMainWorker::GetMaxBufferSize()
{
    CScopedLock lock(m_bufferSizeLock);
    return m_maxBufferSize;
}

unsigned CMainWorker::GetMaxBufferCount()
{
    CScopedLock lock(m_bufferCountLock);
    return m_maxBufferCount;
}

char* CMainWorker::CopyEMail()
{
    CScopedLock lock(m_credentialsLock);
    return DupText(m_eMail);
}

char* CMainWorker::CopyAgentName()
{
    CScopedLock lock(m_credentialsLock);
    return DupText(m_agentName);
}

char* CMainWorker::CopyProxy()
{
    CScopedLock lock(m_credentialsLock);
    return DupText(m_proxy);
}

bool CMainWorker::CopyUpgradeSource(char** address, char** version)
{
    if (!address || !version)
        return false;
    CScopedLock lock(m_upgradeLock);
    if (!m_upgradeAddress || !m_upgradeVersion)
        return false;
    *address = DupText(m_upgradeAddress);
    *version = DupText(m_upgradeVersion);
    return true;
}
