// CSNMPmon: life cycle, set-up, sending, waiting and the notification callback.
#include <winsock2.h>
#include <ws2tcpip.h>

#include "snmp_mon.h"

#include "heap_helpers.h"
#include "snmp_error_text.h"
#include "snmp_event_pool.h"
#include "snmp_handles.h"
#include "snmp_lib.h"
#include "snmp_limits.h"
#include "snmp_mon_state.h"
#include "snmp_timeout.h"
#include "snmp_value_text.h"
#include "text_fields.h"

#include <cstdio>
#include <cstring>
#include <set>

namespace {

// The objects whose notifications may still be handled. The destructor takes its object off
// the list before it goes, so a notification that comes late (after a time-out or a cancel)
// never reaches a destroyed object, nor a new object built at the same address (its session
// differs).
SRWLOCK g_liveLock = SRWLOCK_INIT;

std::set<const CSNMPmon*>& LiveObjects()
{
    static auto* objects = new std::set<const CSNMPmon*>;  // outlives every session
    return *objects;
}

// The translate mode is process-wide: one request sets it and makes its entity before
// another request may change it.
SRWLOCK g_modeLock = SRWLOCK_INIT;

class CModeLock {
public:
    CModeLock() { AcquireSRWLockExclusive(&g_modeLock); }
    ~CModeLock() { ReleaseSRWLockExclusive(&g_modeLock); }
    CModeLock(const CModeLock&) = delete;
    CModeLock& operator=(const CModeLock&) = delete;
};

const unsigned kHostTextBuffer = 1025;
const unsigned kServiceTextBuffer = 32;

// Four decimal parts of 0..255, nothing else.
bool IsDottedAddress(const char* text)
{
    unsigned parts[4];
    int consumed = 0;
    if (sscanf(text, "%3u.%3u.%3u.%3u%n", &parts[0], &parts[1], &parts[2], &parts[3], &consumed) !=
            4 ||
        text[consumed] != '\0')
        return false;
    for (const char* p = text; *p; ++p)
        if ((*p < '0' || *p > '9') && *p != '.')
            return false;
    for (unsigned part : parts)
        if (part > 255)
            return false;
    return strcmp(text, "0.0.0.0") != 0 && strcmp(text, "255.255.255.255") != 0;
}

template <class T>
T* HeapArray(unsigned count)
{
    return static_cast<T*>(HeapAllocZero(count * sizeof(T)));
}

}  // namespace

CSNMPmon::CSNMPmon(bool trapMode)
    : m_Session(nullptr),
      m_Entity(nullptr),
      m_Context(nullptr),
      m_Pdu(nullptr),
      m_Vbl(nullptr),
      m_Event(nullptr),
      m_RequestId(0),
      m_PduType(0),
      m_Initialized(false),
      m_TrapMode(trapMode),
      m_OidCount(0),
      m_Oids(nullptr),
      m_Min(nullptr),
      m_Max(nullptr),
      m_Host(nullptr),
      m_Community(nullptr),
      m_OidText(nullptr),
      m_SourceAddress(nullptr),
      m_ContextText(nullptr),
      m_OidNames(nullptr),
      m_Syntax(nullptr),
      m_Values(nullptr),
      m_Status(nullptr),
      m_Results(nullptr),
      m_Elapsed(0.0),
      m_Error(nullptr),
      m_TestId(0),
      m_LocationId(0),
      m_State(new SnmpMonState(trapMode))
{
    InitializeCriticalSection(&m_PackageLock);
}

CSNMPmon::~CSNMPmon()
{
    AcquireSRWLockExclusive(&g_liveLock);
    LiveObjects().erase(this);
    ReleaseSRWLockExclusive(&g_liveLock);
    // A notification that was being handled has finished once the lock is free.
    m_State->lock.Enter();
    m_State->lock.Leave();

    if (SnmpLibBound()) {
        if (m_Entity)
            libpo_SnmpFreeEntity(m_Entity);
        if (m_Context)
            libpo_SnmpFreeContext(m_Context);
        if (m_Vbl)
            libpo_SnmpFreeVbl(m_Vbl);
        if (m_Pdu)
            libpo_SnmpFreePdu(m_Pdu);
        if (m_Session)
            libpo_SnmpClose(m_Session);
    }
    FreeResults();
    FreeSnmpLimits(m_Min && m_Max ? m_OidCount : 0, m_Min, m_Max);
    FreeHeapBlock(m_Min);
    FreeHeapBlock(m_Max);
    if (SnmpLibBound())
        FreeOids();
    for (char* text : {m_Host, m_Community, m_OidText, m_SourceAddress, m_ContextText, m_Error})
        FreeHeapBlock(text);
    ReturnSnmpEvent(m_Event, m_State->eventSet);
    for (CMonResult2* package : m_Packages)
        delete package;
    DeleteCriticalSection(&m_PackageLock);
    delete m_State;
}

bool CSNMPmon::InitInst(const char* host, unsigned int port, char* community, const char* oids,
                        unsigned int timeout, unsigned int retries, int version, char* limits,
                        bool getNext)
{
    if (!SnmpLibBound()) {
        TakeError(GetSnmpApiErrorText(SNMPAPI_NOT_INITIALIZED));
        return false;
    }
    char* address = nullptr;
    if (host && !(address = ResolveHost(host, port)))
        return false;
    bool made;
    {
        CModeLock modeLock;
        made = PrepareModes(version) && OpenSession() &&
               (!address || MakeEntity(address, port, timeout, retries));
    }
    FreeHeapBlock(address);
    if (!made)
        return false;
    if (!host && !m_TrapMode) {
        SetError("Host name doesn't specified");
        return false;
    }
    if (community) {
        smiOCTETS text{static_cast<smiUINT32>(strlen(community)),
                       reinterpret_cast<smiLPBYTE>(community)};
        m_Context = libpo_SnmpStrToContext(m_Session, &text);
        if (!m_Context) {
            SetApiError();
            FreeEntity();
            return false;
        }
    } else if (!m_TrapMode) {
        SetError("Community string doesn't specified");
        return false;
    }
    if (oids && !ParseOids(oids))
        return false;
    if (m_OidCount > 0 && !AllocateEntries())
        return false;
    if (limits && *limits && !ParseSnmpLimits(limits, m_OidCount, m_Min, m_Max)) {
        SetError("min/max specification is incorrect.");
        return false;
    }
    if (m_OidCount == 0 && !m_TrapMode) {
        SetError("Object ID doesn't specified");
        return false;
    }
    m_RequestId = 0;
    m_PduType = getNext ? SNMP_PDU_GETNEXT : SNMP_PDU_GET;
    m_Event = TakeSnmpEvent();
    if (!m_Event) {
        TakeError(FormatErrorTextA(GetLastError(), nullptr));
        return false;
    }
    m_Host = DupText(host);
    m_OidText = DupText(oids);
    m_Community = DupText(community);
    m_Initialized = true;
    return true;
}

bool CSNMPmon::PrepareModes(int version)
{
    smiUINT32 mode = 0;
    if (libpo_SnmpGetTranslateMode(&mode) != SNMPAPI_SUCCESS) {
        SetApiError();
        return false;
    }
    smiUINT32 wanted = version == 1   ? SNMPAPI_UNTRANSLATED_V1
                       : version == 2 ? SNMPAPI_UNTRANSLATED_V2
                                      : mode;
    if (wanted != mode && libpo_SnmpSetTranslateMode(wanted) != SNMPAPI_SUCCESS) {
        SetApiError();
        return false;
    }
    smiUINT32 retransmit = 0;
    if (libpo_SnmpGetRetransmitMode(&retransmit) != SNMPAPI_SUCCESS ||
        (retransmit != SNMPAPI_ON && libpo_SnmpSetRetransmitMode(SNMPAPI_ON) != SNMPAPI_SUCCESS)) {
        SetApiError();
        return false;
    }
    return true;
}

bool CSNMPmon::OpenSession()
{
    HSNMP_SESSION session = libpo_SnmpCreateSession(nullptr, 0, snmpCallBackFunction, this);
    if (!session) {
        SetApiError();
        return false;
    }
    AcquireSRWLockExclusive(&g_liveLock);
    m_Session = session;
    LiveObjects().insert(this);
    ReleaseSRWLockExclusive(&g_liveLock);
    return true;
}

char* CSNMPmon::ResolveHost(const char* host, unsigned int port)
{
    char* error = nullptr;
    char* address = get_ip(host, port, &error);
    if (!address)
        TakeError(error ? error : GetSnmpApiErrorText(SNMPAPI_ENTITY_UNKNOWN));
    return address;
}

bool CSNMPmon::MakeEntity(const char* address, unsigned int port, unsigned int timeout,
                          unsigned int retries)
{
    m_Entity = libpo_SnmpStrToEntity(m_Session, address);
    if (!m_Entity) {
        SetApiError();
        return false;
    }
    if (m_TrapMode)
        return true;
    if (libpo_SnmpSetPort(m_Entity, port) != SNMPAPI_SUCCESS ||
        libpo_SnmpSetTimeout(m_Entity, SnmpTimeoutHundredths(timeout)) != SNMPAPI_SUCCESS ||
        libpo_SnmpSetRetry(m_Entity, retries) != SNMPAPI_SUCCESS) {
        SetApiError();
        FreeEntity();
        return false;
    }
    return true;
}

bool CSNMPmon::ParseOids(const char* oids)
{
    CTextFields fields(oids, ';');
    if (fields.count() == 0) {
        SetError("Object ID is incorrect");
        return false;
    }
    m_Oids = HeapArray<smiOID>(fields.count());
    if (!m_Oids) {
        TakeError(GetSnmpApiErrorText(SNMPAPI_ALLOC_ERROR));
        return false;
    }
    m_OidCount = fields.count();
    for (unsigned i = 0; i < fields.count(); ++i) {
        if (libpo_SnmpStrToOid(fields[i], &m_Oids[i]) == SNMPAPI_FAILURE) {
            SetApiError();
            FreeEntity();
            FreeOids();
            return false;
        }
    }
    return true;
}

bool CSNMPmon::AllocateEntries()
{
    m_Min = HeapArray<int*>(m_OidCount);
    m_Max = HeapArray<int*>(m_OidCount);
    m_OidNames = HeapArray<char*>(m_OidCount);
    m_Syntax = HeapArray<unsigned int>(m_OidCount);
    m_Values = HeapArray<char*>(m_OidCount);
    m_Status = HeapArray<unsigned int>(m_OidCount);
    m_Results = HeapArray<CMonResult2*>(m_OidCount);
    if (m_Min && m_Max && m_OidNames && m_Syntax && m_Values && m_Status && m_Results)
        return true;
    TakeError(GetSnmpApiErrorText(SNMPAPI_ALLOC_ERROR));
    return false;
}

char* CSNMPmon::get_ip(const char* host, unsigned int port, char** error)
{
    if (IsDottedAddress(host))
        return DupText(host);
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0) {
        if (error)
            *error = FormatErrorTextA(WSASYSNOTREADY, nullptr);
        return nullptr;
    }
    char service[16];
    snprintf(service, sizeof(service), "%u", port);
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    char* address = nullptr;
    int result = getaddrinfo(host, service, &hints, &found);
    if (result != 0) {
        if (error)
            *error = FormatErrorTextA(result, nullptr);
    } else {
        char hostText[kHostTextBuffer];
        char serviceText[kServiceTextBuffer];
        if (getnameinfo(found->ai_addr, static_cast<int>(found->ai_addrlen), hostText,
                        sizeof(hostText), serviceText, sizeof(serviceText), NI_NUMERICHOST) == 0)
            address = DupText(hostText);
        else if (error)
            *error = FormatErrorTextA(WSAGetLastError(), nullptr);
        freeaddrinfo(found);
    }
    WSACleanup();
    return address;
}

bool CSNMPmon::SendRequest()
{
    if (!m_Initialized)
        return false;
    smiVALUE null{};
    null.syntax = SNMP_SYNTAX_NULL;
    bool made = (m_Vbl = libpo_SnmpCreateVbl(m_Session, nullptr, nullptr)) != nullptr;
    for (unsigned i = 0; made && i < m_OidCount; ++i)
        made = libpo_SnmpSetVb(m_Vbl, 0, &m_Oids[i], &null) != SNMPAPI_FAILURE;
    made = made && (m_Pdu = libpo_SnmpCreatePdu(m_Session, m_PduType, 0, 0, 0, m_Vbl)) != nullptr &&
           libpo_SnmpGetPduData(m_Pdu, nullptr, &m_RequestId, nullptr, nullptr, nullptr) ==
               SNMPAPI_SUCCESS;
    if (made) {
        m_Timer.Start(1);
        if (libpo_SnmpSendMsg(m_Session, nullptr, m_Entity, m_Context, m_Pdu) == SNMPAPI_SUCCESS)
            return true;
        m_Timer.Stop();
    }
    // Nothing was sent, so no notification can race with the failure.
    SetApiError();
    FreeRequest();
    m_RequestId = 0;
    return false;
}

bool CSNMPmon::wait(unsigned long milliseconds)
{
    if (!m_Initialized)
        return false;
    CScopedLock lock(m_State->lock);
    DWORD result = SleepUntilSignalled(milliseconds);
    if (result == WAIT_OBJECT_0) {
        m_State->signalled = false;
        if (m_State->eventSet && ResetEvent(m_Event))
            m_State->eventSet = false;
        return true;
    }
    if (m_State->done && !m_State->listener)
        return true;  // ended before, and taken by an earlier wait
    m_State->done = true;
    if (m_RequestId)
        libpo_SnmpCancelMsg(m_Session, m_RequestId);
    SetError(result == WAIT_TIMEOUT ? "Request timed out"
                                    : "Wait operation for SNMP Package failed");
    return false;
}

DWORD CSNMPmon::SleepUntilSignalled(unsigned long milliseconds)
{
    const ULONGLONG start = GetTickCount64();
    while (!m_State->signalled) {
        DWORD remaining = INFINITE;
        if (milliseconds != INFINITE) {
            ULONGLONG elapsed = GetTickCount64() - start;
            if (elapsed >= milliseconds)
                return WAIT_TIMEOUT;
            remaining = static_cast<DWORD>(milliseconds - elapsed);
        }
        if (!SleepConditionVariableCS(&m_State->wake, m_State->lock.native(), remaining) &&
            GetLastError() != ERROR_TIMEOUT)
            return WAIT_FAILED;
    }
    return WAIT_OBJECT_0;
}

void CSNMPmon::Signal(bool setEvent)
{
    m_State->signalled = true;
    WakeAllConditionVariable(&m_State->wake);
    if (setEvent && !m_State->eventSet && m_Event && SetEvent(m_Event))
        m_State->eventSet = true;
}

void CSNMPmon::cancelRequest()
{
    CScopedLock lock(m_State->lock);
    if (!m_State->listener && m_Initialized && !m_State->done) {
        m_State->done = true;
        SetError("Request cancelled");
    }
    if (m_RequestId) {
        libpo_SnmpCancelMsg(m_Session, m_RequestId);
        FreeRequest();
    }
    Signal(true);
}

SNMPAPI_STATUS CALLBACK CSNMPmon::snmpCallBackFunction(HSNMP_SESSION session, HWND, UINT,
                                                       WPARAM code, LPARAM detail,
                                                       LPVOID clientData)
{
    auto* self = static_cast<CSNMPmon*>(clientData);
    AcquireSRWLockShared(&g_liveLock);
    bool live = LiveObjects().count(self) != 0 && self->m_Session == session;
    if (live)
        self->m_State->lock.Enter();
    ReleaseSRWLockShared(&g_liveLock);
    if (!live)
        return SNMPAPI_SUCCESS;
    unsigned long result = SNMPAPI_SUCCESS;
    try {
        result =
            self->m_State->listener
                ? self->processTrapAndInforNotification(static_cast<unsigned>(code),
                                                        static_cast<long>(detail))
                : self->processNotification(static_cast<unsigned>(code), static_cast<long>(detail));
    } catch (...) {
        // Out of memory while handling: the notification is lost, the API's thread goes on.
    }
    self->m_State->lock.Leave();
    return result;
}

void CSNMPmon::FreeEntity()
{
    if (m_Entity)
        libpo_SnmpFreeEntity(m_Entity);
    m_Entity = nullptr;
}

void CSNMPmon::FreeRequest()
{
    if (m_Pdu)
        libpo_SnmpFreePdu(m_Pdu);
    if (m_Vbl)
        libpo_SnmpFreeVbl(m_Vbl);
    m_Pdu = nullptr;
    m_Vbl = nullptr;
}

void CSNMPmon::FreeOids()
{
    for (unsigned i = 0; m_Oids && i < m_OidCount; ++i)
        FreeSnmpOid(m_Oids[i]);
    FreeHeapBlock(m_Oids);
    m_Oids = nullptr;
    m_OidCount = 0;
}

void CSNMPmon::FreeResults()
{
    for (unsigned i = 0; i < m_OidCount; ++i) {
        if (m_OidNames)
            FreeHeapBlock(m_OidNames[i]);
        if (m_Values)
            FreeHeapBlock(m_Values[i]);
        if (m_Results)
            delete m_Results[i];
    }
    for (void* array : {static_cast<void*>(m_OidNames), static_cast<void*>(m_Syntax),
                        static_cast<void*>(m_Values), static_cast<void*>(m_Status),
                        static_cast<void*>(m_Results)})
        FreeHeapBlock(array);
    m_OidNames = nullptr;
    m_Syntax = nullptr;
    m_Values = nullptr;
    m_Status = nullptr;
    m_Results = nullptr;
}

void CSNMPmon::TakeError(char* text)
{
    FreeHeapBlock(m_Error);
    m_Error = text;
}

void CSNMPmon::SetError(const char* text)
{
    TakeError(DupText(text));
}

void CSNMPmon::SetApiError()
{
    TakeError(GetSnmpApiErrorText(libpo_SnmpGetLastError(m_Session)));
}

char* CSNMPmon::GetPDUErrorText(long errorStatus)
{
    return DupText(SnmpPduErrorText(errorStatus));
}

char* CSNMPmon::GetSnmpApiErrorText(unsigned long code)
{
    return DupText(SnmpApiErrorText(code));
}
