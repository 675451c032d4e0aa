// The agent's work engine: all shared state of the agent, the start and stop of its work,
// the main worker thread, the plug-in host and the status broadcast.
//
// The agent program has one global engine (main_worker_instance.h); tests construct their own.
#pragma once

#include "agent_settings.h"
#include "agent_status.h"
#include "com_ptr.h"
#include "critical_section.h"
#include "exchange_session.h"
#include "plugin_entry.h"
#include "reply_reader.h"
#include "server_link.h"
#include "status_receiver.h"
#include "upgrade_download.h"
#include "zlib_binding.h"

#include <windows.h>
#include <oleauto.h>
#include <wininet.h>

#include <atomic>
#include <list>
#include <vector>

constexpr unsigned kDefaultMaxBufferSize = 122880;
constexpr unsigned kDefaultMaxBufferCount = 14;
constexpr long kImportCheckPeriod = 300;
constexpr unsigned kMinBufferSize = 16384;
constexpr unsigned kMaxBufferSize = 262144;
constexpr unsigned kMinBufferCount = 4;
constexpr unsigned kMaxBufferCount = 32;

// Seconds the main worker thread waits this cycle for a poll period and the whole seconds
// the last pass took; the period is the server's, taken as an unsigned number.
unsigned long MainLoopWaitSeconds(long pollPeriod, unsigned long elapsedSeconds);

class CMainWorker {
public:
    CMainWorker();
    virtual ~CMainWorker();
    CMainWorker(const CMainWorker&) = delete;
    CMainWorker& operator=(const CMainWorker&) = delete;

    // Life cycle. Failure texts are heap wide texts (FreeHeapBlock) when a pointer is given.
    bool StartWork(wchar_t** error);
    // The stop of work. Without the wait the caller does not wait for the main worker
    // thread: the server's refusal stops work from the sending thread, for which the main
    // worker thread itself is waiting.
    bool StopMonitoring(wchar_t** error, bool waitForWorker = true);

    // Registration and settings; texts are UTF-8.
    bool RegisterAgent(const char* eMail, const char* agentName, const char* password);
    void StoreRegistration();
    void ClearRegistration();
    void SetProxyServer(const char* proxy);
    void SetTraceFlag(bool on);
    bool IsTraceFlagOn();

    long GetRunState();
    long GetLastStatus();
    long GetPollPeriod();
    void SetPollPeriod(long seconds);
    unsigned GetMaxBufferSize();
    unsigned GetMaxBufferCount();
    // Both clamp: 16,384..262,144 bytes and 4..32 buffers.
    void SetMaxBufferSize(unsigned bytes);
    void SetMaxBufferCount(unsigned count);
    bool IsAuthorized() const { return m_authorized.load(); }
    void SetAuthorized(bool authorized) { m_authorized.store(authorized); }
    bool IsZlibPresent() const { return m_zlibPresent; }
    const CZlibBinding& Zlib() const { return m_zlib; }

    // Heap copies (FreeHeapBlock), null when unset.
    char* CopyEMail();
    char* CopyAgentName();
    char* CopyProxy();
    bool CopyUpgradeSource(char** address, char** version);
    // The address becomes "https://" + address; false when either text is null.
    bool SetUpgradeSource(const char* address, const char* version);

    // A good reply body of an authorized session (NUL-terminated), on the sending thread:
    // each line goes to the plug-ins, and a line that none takes is read as an agent command.
    void ParseServerReply(const char* body);
    // One agent command, split at TAB (field 0 is the code).
    void DispatchServerCommand(char** fields, unsigned count);

    // The send cache. AddToCache appends result bytes (a BSTR byte string the caller still
    // owns), cut at record boundaries when they exceed the maximum buffer size; TakeSendBlock
    // hands out a heap copy (FreeHeapBlock) of the buffer to send now, which stays in flight
    // until the send is done; nothing while not authorized.
    void AddToCache(BSTR bytes);
    void TakeSendBlock(char** bytes, DWORD* length);

    // Status receivers and the broadcast.
    void AddAgentObject(IStatusReceiver* receiver);
    void RemoveAgentObject(IStatusReceiver* receiver);
    void FireStatusChanged(long status, const wchar_t* text);

    // Plug-in host.
    bool EnumeratePlugIns();
    void ImportPlugIns();
    bool OfferLineToPlugIns(const char* line);
    void SetCheckPeriodOnPlugIns(long seconds);
    void SetProxyOnPlugIns(const char* proxy);
    void ResetPlugIns();
    void CollectPlugInData();
    HRESULT OnPlugInNewData(VARIANT srcID, VARIANT newDesc);
    void ReleasePlugIns();

    // The server exchange behind the main loop (the program's own unless replaced; set it
    // only while work is stopped).
    void SetServerLink(IServerLink* link) { m_link = link ? link : &DefaultServerLink(); }

    // The exchange over WinINet (server_exchange.cpp): one POST on a sending thread of its
    // own, 30 seconds at most plus 5 after the handles are closed; on the main worker thread.
    void ExchangeWithTimeout();
    // The session as an exchange beginning now sees it (authorized or not, the session id,
    // the credentials of a login).
    void TakeExchangeSession(ExchangeSession* session);
    // The request header block for the exchange's session (process-heap text, null when it
    // cannot be made): the session block for a send of the session, else the login block.
    char* BuildRequestHeaders(const ExchangeSession& session, unsigned long checksum,
                              unsigned long compression);
    // The reply header Tol-SessionID of the exchange; true when the server refused the agent
    // ("666666"). An answer to a login whose registration, or to a session that, has since
    // been replaced, changes nothing.
    bool OnAuthorizationResult(ExchangeSession& session, const char* value);
    // The outcome of the exchange; `carried`: it posted the in-flight buffer.
    void OnSendCompleted(const ExchangeSession& session, bool carried, const char* body,
                         DWORD error, DWORD statusCode);

    // The end of the program's run: stops work when it runs and waits at most `milliseconds`
    // for a sending thread that outlived its time limit and for an upgrade download under
    // way. False when either still runs: nothing can abort them, and the engine must then be
    // left as it is (the process ends without tearing it down; the download is fetched again
    // at the server's next upgrade command).
    bool FinishForExit(DWORD milliseconds);

    // Process-wide values written by the constructor from the Host and Version settings.
    static const char* ServerHostName() { return s_serverHost; }
    static const char* ServerPath() { return s_serverPath; }
    static unsigned short ServerPort() { return s_serverPort; }
    static bool IsSecure() { return s_secure; }
    static const char* VersionText() { return s_version; }
    // Set while an engine exists; the automation object joins the receivers only then.
    static bool IsWorkerAlive() { return s_workerAlive.load(); }

protected:
    friend class CEngineReplyTarget;
    using ThreadStarter = HANDLE (*)(LPTHREAD_START_ROUTINE routine, void* argument);
    // How StartWork starts the main worker thread (suspended); replaceable for tests.
    ThreadStarter m_startThread;
    // How the UPD command starts the upgrade download thread (running); replaceable for tests,
    // which reach no real download server.
    ThreadStarter m_startUpgradeThread;
    using InternetOpener = HINTERNET(WINAPI*)(LPCSTR userAgent, DWORD accessType, LPCSTR proxy,
                                              LPCSTR proxyBypass, DWORD flags);
    // How the sending thread opens its internet session (InternetOpenA); replaceable for
    // tests, as the real call hardly ever fails.
    InternetOpener m_openInternet;

    static HANDLE StartSuspendedThread(LPTHREAD_START_ROUTINE routine, void* argument);
    static HANDLE StartRunningThread(LPTHREAD_START_ROUTINE routine, void* argument);
    static DWORD WINAPI MainWorkerThread(void* argument);
    void RunMainLoop();
    void EndMainWorkerThread();
    void MainLoopTick();
    void SendWithTimeout() { m_link->SendWithTimeout(*this); }
    static DWORD WINAPI SendThread(void* argument);
    void RunSendThread();
    HINTERNET OpenInternetSession();
    bool SendRequestBody(HINTERNET request, const char* headers, void* body, DWORD length,
                         DWORD* error);
    void CloseExchangeHandles();
    // Waits for a sending thread that outlived its time limit; false when it still runs
    // after `milliseconds`.
    bool WaitForSendingThread(DWORD milliseconds = INFINITE);
    void ReadSettings();
    void CrackHostSetting();
    void StopWorkNow(bool waitForWorker);
    // Stops work when it runs and waits for the main worker thread, also after a stop that
    // did not wait for it.
    void StopAndWaitForMainWorkerThread();
    // Whether the session the exchange used is still the engine's.
    bool IsSessionCurrent(const ExchangeSession& session);
    // The in-flight buffer (moved from the cache when empty) as a heap copy.
    void TakeInFlightBlock(char** bytes, DWORD* length);
    void ReportLoginOutcome(const ExchangeSession& session, const char* body, DWORD error,
                            DWORD statusCode);
    void SetStopEvent();
    void ImportPlugIn(PlugInEntry* entry, long sourceId);
    // The live plug-ins in list order, each with a reference of its own (only those whose
    // codes match `line` unless it is null), and the list's generation they were taken from.
    struct PlugInCalls {
        std::vector<CComPtr<ITolvanePlugIn>> plugIns;
        unsigned long generation = 0;
    };
    PlugInCalls TakePlugIns(const char* line);
    // Whether the list is still the one of that generation (no release came between).
    bool IsPlugInGeneration(unsigned long generation);
    void SetOnPlugIns(unsigned short type, const VARIANT& value);
    // A good reply's body goes to the reply reader; the session's end alone is read at once.
    void HandOverReply(const char* body);
    void EndSession();
    void RunUpgradeCommand(const char* version, const char* address, const char* fourth);
    bool StartUpgradeDownload();
    static DWORD WINAPI UpgradeDownloadThread(void* argument);
    void RunUpgradeDownload();
    void ClearUpgradeBusy();
    // Waits for the last upgrade download thread to end and closes its handle; false when it
    // still runs after `milliseconds`.
    bool EndUpgradeThread(DWORD milliseconds = INFINITE);
    // One piece of a hand-over, under the cache lock: joined to the newest buffer while the
    // sum stays within the size, else in a new buffer (the oldest dropped to make room).
    void AddPieceToCache(const char* bytes, UINT length, unsigned maxSize, unsigned maxCount);
    void OpenCacheBuffer(const char* bytes, UINT length, unsigned maxCount);
    void AppendToNewestBuffer(const char* bytes, UINT length);

    CCriticalSection m_stateLock;
    CCriticalSection m_stopEventLock;
    long m_runState;
    bool m_zlibPresent;
    CCriticalSection m_periodLock;
    long m_pollPeriod;
    CCriticalSection m_bufferSizeLock;
    unsigned m_maxBufferSize;
    CCriticalSection m_bufferCountLock;
    unsigned m_maxBufferCount;
    HANDLE m_mainWorkerThread;
    HANDLE m_stopEvent;
    CCriticalSection m_receiversLock;
    std::vector<IStatusReceiver*> m_receivers;
    std::list<BSTR> m_sendCache;
    BSTR m_inFlight;
    char* m_sessionId;
    CCriticalSection m_credentialsLock;
    CAgentSettings m_settings;
    char* m_eMail;
    char* m_password;
    char* m_agentName;
    char* m_proxy;
    std::atomic<bool> m_authorized;
    std::atomic<bool> m_connectionFailing;
    long m_lastStatus;
    std::vector<PlugInEntry*> m_plugIns;
    HINTERNET m_internet;
    HINTERNET m_connection;
    HINTERNET m_request;
    CCriticalSection m_cacheLock;
    char* m_upgradeAddress;
    char* m_upgradeVersion;
    CCriticalSection m_upgradeLock;
    bool m_upgradeBusy;
    HANDLE m_upgradeThread;
    CCriticalSection m_plugInListLock;

    CZlibBinding m_zlib;
    IServerLink* m_link;
    // Guards the session id and the session epoch; taken before the credentials lock.
    CCriticalSection m_sessionLock;
    // Counts the changes of the session (start and stop of work, a registration, an accepted
    // login, the server's session end) ...
    unsigned long m_sessionEpoch;
    // ... and of the registration (Register, UnRegister); under the credentials lock.
    unsigned long m_registrationEpoch;
    // The sending thread that outlived its time limit (a send that cannot be aborted).
    HANDLE m_sendThread;
    // The bounds of one upgrade download (kDownloadLimits; tests may narrow them).
    DownloadLimits m_downloadLimits;
    // Counts the releases of the plug-in list; under the plug-in list lock.
    unsigned long m_plugInGeneration;
    // Reads the good replies' lines apart from the sending thread.
    CReplyReader m_replyReader;

    static char* s_serverHost;
    static char* s_serverPath;
    static unsigned short s_serverPort;
    static bool s_secure;
    static char* s_version;
    static std::atomic<bool> s_workerAlive;
};
