// The process-wide state of the API: start-up count, modes, handle tables and sessions,
// all guarded by one lock that every entry point holds while it touches them.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <map>
#include <memory>

#include "critical_section.h"
#include "winsnmp_api.h"
#include "handle_table.h"
#include "snmp_types.h"

namespace wsnmp {

class CSession;
class CTransport;

struct CEntity {
    uintptr_t session = 0;
    sockaddr_in address{};
    int32_t version = kVersion1;  // message version used towards this entity
    uint32_t timeout = 500;       // hundredths of a second per attempt
    uint32_t retry = 1;           // retransmissions after the first attempt
};

struct CContext {
    uintptr_t session = 0;
    Bytes community;
};

struct CPduObject {
    uintptr_t session = 0;
    Pdu pdu;
};

struct CVblObject {
    uintptr_t session = 0;
    VarBindList list;
};

class CApiState {
public:
    static CApiState& instance();

    CCriticalSection lock;
    unsigned startupCount = 0;
    uint32_t translateMode = SNMPAPI_UNTRANSLATED_V1;
    uint32_t retransmitMode = SNMPAPI_ON;
    std::map<uintptr_t, std::shared_ptr<CSession>> sessions;
    CHandleTable<CEntity> entities;
    CHandleTable<CContext> contexts;
    CHandleTable<CPduObject> pdus;
    CHandleTable<CVblObject> vbls;
    std::unique_ptr<CTransport> transport;

    std::shared_ptr<CSession> findSession(HSNMP_SESSION handle) const;
    int32_t nextRequestId();

private:
    CApiState();
    int32_t m_nextRequestId;
};

// Records an error for the calling thread and, when given, for the session.
void SetLastApiError(uint32_t code, uintptr_t session = 0);
// The later of the session's last error and the calling thread's.
uint32_t LastApiError(uintptr_t session);

// Shorthands for the entry points: record the error and give the failure result.
inline SNMPAPI_STATUS Fail(uint32_t code, uintptr_t session = 0)
{
    SetLastApiError(code, session);
    return SNMPAPI_FAILURE;
}
inline HANDLE FailHandle(uint32_t code, uintptr_t session = 0)
{
    SetLastApiError(code, session);
    return nullptr;
}

inline uintptr_t HandleValue(HANDLE handle)
{
    return reinterpret_cast<uintptr_t>(handle);
}

}  // namespace wsnmp
