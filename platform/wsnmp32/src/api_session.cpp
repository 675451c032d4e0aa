// Sessions and their traffic: sending, receiving, cancelling, trap registration.
#include "api_state.h"
#include "session.h"
#include "transport.h"

using namespace wsnmp;

namespace {

bool NeedsVersion2(int32_t type)
{
    return type == SNMP_PDU_GETBULK || type == SNMP_PDU_INFORM || type == SNMP_PDU_TRAP;
}

HANDLE AddEntity(CApiState& s, uintptr_t session, const sockaddr_in& address, int32_t version)
{
    auto entity = std::make_unique<CEntity>();
    entity->session = session;
    entity->address = address;
    entity->version = version;
    return s.entities.add(std::move(entity));
}

// The registration the arguments describe; false with an API error code.
bool DescribeRegistration(CApiState& s, uintptr_t session, HSNMP_ENTITY src, HSNMP_ENTITY dst,
                          HSNMP_CONTEXT context, smiLPCOID notification, Registration& r,
                          uint32_t& error)
{
    r.session = session;
    r.endpoint.sin_family = AF_INET;
    if (dst) {
        CEntity* e = s.entities.find(dst);
        if (!e) {
            error = SNMPAPI_ENTITY_INVALID;
            return false;
        }
        r.endpoint.sin_addr = e->address.sin_addr;
        r.endpoint.sin_port = e->address.sin_port;
    } else {
        r.endpoint.sin_addr.s_addr = htonl(INADDR_ANY);
        r.endpoint.sin_port = htons(DefaultTrapPort());
    }
    if (src) {
        CEntity* e = s.entities.find(src);
        if (!e) {
            error = SNMPAPI_ENTITY_INVALID;
            return false;
        }
        r.sourceAddress = e->address.sin_addr.s_addr;
    }
    if (context) {
        CContext* c = s.contexts.find(context);
        if (!c) {
            error = SNMPAPI_CONTEXT_INVALID;
            return false;
        }
        r.community = c->community;
    }
    if (notification) {
        if (notification->len > MAXOBJIDSIZE || (notification->len && !notification->ptr)) {
            error = SNMPAPI_OID_INVALID;
            return false;
        }
        r.notification = Oid(notification->ptr, notification->ptr + notification->len);
    }
    return true;
}

}  // namespace

extern "C" {

HSNMP_SESSION WINAPI SnmpCreateSession(HWND hWnd, UINT wMsg, SNMPAPI_CALLBACK fCallBack,
                                       LPVOID lpClientData)
{
    CApiState& s = CApiState::instance();
    CScopedLock lock(s.lock);
    if (!s.startupCount)
        return FailHandle(SNMPAPI_NOT_INITIALIZED);
    if (!fCallBack && (!hWnd || !IsWindow(hWnd)))
        return FailHandle(SNMPAPI_HWND_INVALID);
    uintptr_t id = NextHandleValue();
    s.sessions[id] = std::make_shared<CSession>(id, hWnd, wMsg, fCallBack, lpClientData);
    return reinterpret_cast<HSNMP_SESSION>(id);
}

SNMPAPI_STATUS WINAPI SnmpClose(HSNMP_SESSION session)
{
    CApiState& s = CApiState::instance();
    std::shared_ptr<CSession> closing;
    CTransport* transport = nullptr;
    {
        CScopedLock lock(s.lock);
        if (!s.startupCount)
            return Fail(SNMPAPI_NOT_INITIALIZED);
        closing = s.findSession(session);
        if (!closing)
            return Fail(SNMPAPI_SESSION_INVALID);
        uintptr_t id = closing->id();
        s.sessions.erase(id);
        s.entities.removeSession(id);
        s.contexts.removeSession(id);
        s.pdus.removeSession(id);
        s.vbls.removeSession(id);
        transport = s.transport.get();
        if (transport)
            transport->dropSession(id);
    }
    // Outside the lock: a running callback may still call in before it returns.
    closing->close();
    if (transport)
        transport->reapListeners();
    return SNMPAPI_SUCCESS;
}

SNMPAPI_STATUS WINAPI SnmpSendMsg(HSNMP_SESSION session, HSNMP_ENTITY srcEntity,
                                  HSNMP_ENTITY dstEntity, HSNMP_CONTEXT context, HSNMP_PDU PDU)
{
    CApiState& s = CApiState::instance();
    CScopedLock lock(s.lock);
    if (!s.startupCount || !s.transport)
        return Fail(SNMPAPI_NOT_INITIALIZED);
    if (!s.findSession(session))
        return Fail(SNMPAPI_SESSION_INVALID);
    uintptr_t id = HandleValue(session);
    CEntity* to = s.entities.find(dstEntity);
    if (!to)
        return Fail(SNMPAPI_ENTITY_INVALID, id);
    CContext* c = s.contexts.find(context);
    if (!c)
        return Fail(SNMPAPI_CONTEXT_INVALID, id);
    CPduObject* p = s.pdus.find(PDU);
    if (!p)
        return Fail(SNMPAPI_PDU_INVALID, id);
    const CEntity* from = nullptr;
    if (srcEntity && !(from = s.entities.find(srcEntity)))
        return Fail(SNMPAPI_ENTITY_INVALID, id);
    if (to->version == kVersion1 && NeedsVersion2(p->pdu.type))
        return Fail(SNMPAPI_OPERATION_INVALID, id);
    Message message;
    message.version = to->version;
    message.community = c->community;
    message.pdu = p->pdu;
    uint32_t error =
        s.transport->sendMessage(id, message, to->address, from ? &from->address : nullptr,
                                 to->timeout, to->retry, s.retransmitMode == SNMPAPI_ON);
    if (error)
        return Fail(error, id);
    return SNMPAPI_SUCCESS;
}

SNMPAPI_STATUS WINAPI SnmpRecvMsg(HSNMP_SESSION session, LPHSNMP_ENTITY srcEntity,
                                  LPHSNMP_ENTITY dstEntity, LPHSNMP_CONTEXT context,
                                  LPHSNMP_PDU PDU)
{
    CApiState& s = CApiState::instance();
    CScopedLock lock(s.lock);
    if (!s.startupCount)
        return Fail(SNMPAPI_NOT_INITIALIZED);
    std::shared_ptr<CSession> target = s.findSession(session);
    if (!target)
        return Fail(SNMPAPI_SESSION_INVALID);
    uintptr_t id = target->id();
    ReceivedMessage message;
    if (!target->take(message))
        return Fail(SNMPAPI_NOOP, id);
    if (srcEntity)
        *srcEntity = AddEntity(s, id, message.source, message.version);
    if (dstEntity)
        *dstEntity = AddEntity(s, id, message.destination, message.version);
    if (context) {
        auto c = std::make_unique<CContext>();
        c->session = id;
        c->community = std::move(message.community);
        *context = s.contexts.add(std::move(c));
    }
    if (PDU) {
        auto p = std::make_unique<CPduObject>();
        p->session = id;
        p->pdu = std::move(message.pdu);
        *PDU = s.pdus.add(std::move(p));
    }
    return SNMPAPI_SUCCESS;
}

SNMPAPI_STATUS WINAPI SnmpCancelMsg(HSNMP_SESSION session, smiINT32 reqId)
{
    CApiState& s = CApiState::instance();
    CScopedLock lock(s.lock);
    if (!s.startupCount || !s.transport)
        return Fail(SNMPAPI_NOT_INITIALIZED);
    if (!s.findSession(session))
        return Fail(SNMPAPI_SESSION_INVALID);
    if (!s.transport->cancel(HandleValue(session), reqId))
        return Fail(SNMPAPI_PDU_INVALID, HandleValue(session));
    return SNMPAPI_SUCCESS;
}

SNMPAPI_STATUS WINAPI SnmpRegister(HSNMP_SESSION session, HSNMP_ENTITY srcEntity,
                                   HSNMP_ENTITY dstEntity, HSNMP_CONTEXT context,
                                   smiLPCOID notification, smiUINT32 state)
{
    CApiState& s = CApiState::instance();
    CTransport* transport = nullptr;
    {
        CScopedLock lock(s.lock);
        if (!s.startupCount || !s.transport)
            return Fail(SNMPAPI_NOT_INITIALIZED);
        if (!s.findSession(session))
            return Fail(SNMPAPI_SESSION_INVALID);
        uintptr_t id = HandleValue(session);
        if (state != SNMPAPI_ON && state != SNMPAPI_OFF)
            return Fail(SNMPAPI_MODE_INVALID, id);
        Registration r;
        uint32_t error = 0;
        if (!DescribeRegistration(s, id, srcEntity, dstEntity, context, notification, r, error))
            return Fail(error, id);
        if (state == SNMPAPI_ON) {
            error = s.transport->addRegistration(r);
            return error ? Fail(error, id) : SNMPAPI_SUCCESS;
        }
        s.transport->removeRegistrations(r, !dstEntity, !srcEntity, !context, !notification);
        transport = s.transport.get();
    }
    // Outside the lock: the thread of a trap socket that is no longer used ends.
    transport->reapListeners();
    return SNMPAPI_SUCCESS;
}

}  // extern "C"
