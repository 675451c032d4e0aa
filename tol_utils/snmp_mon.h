// CSNMPmon: one SNMP request, or one trap and inform listener, over the Windows SNMP API as
// init_snmp_lib binds it (the API must be bound and started in the process).
//
// A request: construct with false, InitInst, SendRequest, wait; when all three returned true
// and m_Error is null, read the results (one entry per identifier, in request order); then
// destroy. The answer arrives on the API's notification thread, which writes the results
// before it wakes the waiter. An object serves one request and is neither reused nor copied.
//
// A listener: construct with true, InitInst without host, community or identifiers, set
// m_TestId and m_LocationId, RegisterTrap(true); every variable binding of every trap or
// inform becomes one RESULT_SNMP_TRAP package in m_Packages (guarded by m_PackageLock) and
// m_Event is set; beyond its bounds the queue drops its oldest packages and counts them. The
// owner waits, takes the packages under the lock and DeleteResult's them; to stop:
// cancelRequest, RegisterTrap(false), destroy.
#pragma once

#include "tol_utils_api.h"

#include <windows.h>

#include <string>
#include <vector>

#include "mon_result2.h"
#include "perf_timer.h"
#include "winsnmp_api.h"

class CSnmpReceived;
struct SnmpMonState;

class TOL_UTILS_API CSNMPmon {
public:
    explicit CSNMPmon(bool trapMode);
    ~CSNMPmon();
    CSNMPmon(const CSNMPmon&) = delete;
    CSNMPmon& operator=(const CSNMPmon&) = delete;

    // Host, port, community, identifiers (";"-separated), time-out in seconds, retries,
    // version (1 or 2), limits ("lower,upper" per identifier, ";"-separated), GETNEXT.
    bool InitInst(const char* host, unsigned int port, char* community, const char* oids,
                  unsigned int timeout, unsigned int retries, int version, char* limits,
                  bool getNext);
    bool SendRequest();
    // Milliseconds (INFINITE allowed); true when the completion event came, which may also
    // carry a failure: check m_Error.
    bool wait(unsigned long milliseconds);
    void cancelRequest();

    bool RegisterTrap(bool state);
    void DeleteResult(CMonResult2* package);
    // The packages dropped since the last call because the queue was full (it keeps at most
    // kTrapQueuePackages packages and kTrapQueueBytes bytes, the newest ones). The caller
    // holds m_PackageLock.
    unsigned long TakeDroppedPackages();

    // Handlers of a session notification (notice code and detail), on the API's thread.
    unsigned long processNotification(unsigned int code, long detail);
    unsigned long processTrapAndInforNotification(unsigned int code, long detail);
    static SNMPAPI_STATUS CALLBACK snmpCallBackFunction(HSNMP_SESSION session, HWND window,
                                                        UINT message, WPARAM code, LPARAM detail,
                                                        LPVOID clientData);

    HSNMP_SESSION m_Session;
    HSNMP_ENTITY m_Entity;
    HSNMP_CONTEXT m_Context;
    HSNMP_PDU m_Pdu;
    HSNMP_VBL m_Vbl;
    HANDLE m_Event;
    smiINT32 m_RequestId;
    int m_PduType;
    bool m_Initialized;
    bool m_TrapMode;

    unsigned int m_OidCount;
    smiOID* m_Oids;
    int** m_Min;
    int** m_Max;
    char* m_Host;
    char* m_Community;
    char* m_OidText;
    char* m_SourceAddress;
    char* m_ContextText;
    CPerfTimer m_Timer;

    // Results, one entry per identifier; null or 0 where nothing was answered.
    char** m_OidNames;
    unsigned int* m_Syntax;
    char** m_Values;
    unsigned int* m_Status;
    CMonResult2** m_Results;
    double m_Elapsed;  // milliseconds from the send to the answer or the time-out notice
    char* m_Error;     // null when the request succeeded

    // Trap mode.
    unsigned int m_TestId;
    unsigned int m_LocationId;
    std::vector<CMonResult2*> m_Packages;
    CRITICAL_SECTION m_PackageLock;

private:
    char* get_ip(const char* host, unsigned int port, char** error);
    char* getValueAsString(smiVALUE* value);
    char* getSyntaxAsString(smiVALUE* value);
    char* GetPDUErrorText(long errorStatus);
    char* GetSnmpApiErrorText(unsigned long code);
    unsigned int getSyntaxAsInteger(smiVALUE* value);
    unsigned int getRetStatus(smiVALUE* value, unsigned int index, char** text);
    CMonResult2* get_result_as_bin(smiVALUE* value, unsigned int index);

    // Set-up steps of InitInst.
    char* ResolveHost(const char* host, unsigned int port);
    bool PrepareModes(int version);
    bool OpenSession();
    bool MakeEntity(const char* address, unsigned int port, unsigned int timeout,
                    unsigned int retries);
    bool ParseOids(const char* oids);
    bool AllocateEntries();

    // Waking the owner (the state lock is held).
    DWORD SleepUntilSignalled(unsigned long milliseconds);
    void Signal(bool setEvent);

    // Notification handling (the state lock is held).
    void Complete();
    void StoreAnswer(const CSnmpReceived& message);
    void MarkFailedIndex(long errorStatus, long errorIndex);
    void AnswerInform(const CSnmpReceived& message);
    void QueuePackage(CMonResult2* package);
    void QueueErrorPackage(const char* sender, const char* community, unsigned long apiError);
    void QueueBindings(const CSnmpReceived& message, const std::string& sender,
                       const std::string& community, bool inform);

    void TakeError(char* heapText);
    void SetError(const char* text);
    void SetApiError();
    void FreeEntity();
    void FreeRequest();
    void FreeOids();
    void FreeResults();

    SnmpMonState* m_State;
};
