// Entities (agent addresses with their port, time-out and retry count) and contexts
// (community strings).
#include <ws2tcpip.h>

#include <cstdio>
#include <cstring>

#include "api_state.h"
#include "session.h"
#include "smi_values.h"

using namespace wsnmp;

namespace {

// The entity, or null with the error recorded.
CEntity* FindEntity(CApiState& s, HSNMP_ENTITY handle, SNMPAPI_STATUS& result)
{
    result = SNMPAPI_FAILURE;
    if (!s.startupCount) {
        SetLastApiError(SNMPAPI_NOT_INITIALIZED);
        return nullptr;
    }
    CEntity* entity = s.entities.find(handle);
    if (!entity)
        SetLastApiError(SNMPAPI_ENTITY_INVALID);
    return entity;
}

}  // namespace

extern "C" {

HSNMP_ENTITY WINAPI SnmpStrToEntity(HSNMP_SESSION session, LPCSTR string)
{
    CApiState& s = CApiState::instance();
    CScopedLock lock(s.lock);
    if (!s.startupCount)
        return FailHandle(SNMPAPI_NOT_INITIALIZED);
    if (!s.findSession(session))
        return FailHandle(SNMPAPI_SESSION_INVALID);
    uintptr_t id = HandleValue(session);
    if (!string)
        return FailHandle(SNMPAPI_ENTITY_UNKNOWN, id);
    auto entity = std::make_unique<CEntity>();
    entity->session = id;
    entity->address.sin_family = AF_INET;
    entity->address.sin_port = htons(161);
    if (inet_pton(AF_INET, string, &entity->address.sin_addr) != 1)
        return FailHandle(SNMPAPI_ENTITY_UNKNOWN, id);
    entity->version = s.translateMode == SNMPAPI_UNTRANSLATED_V2 ? kVersion2c : kVersion1;
    return s.entities.add(std::move(entity));
}

SNMPAPI_STATUS WINAPI SnmpEntityToStr(HSNMP_ENTITY entity, smiUINT32 size, LPSTR string)
{
    CApiState& s = CApiState::instance();
    CScopedLock lock(s.lock);
    SNMPAPI_STATUS result;
    CEntity* e = FindEntity(s, entity, result);
    if (!e)
        return result;
    if (!string || size == 0)
        return Fail(SNMPAPI_SIZE_INVALID, e->session);
    char text[INET_ADDRSTRLEN] = {0};
    if (!inet_ntop(AF_INET, &e->address.sin_addr, text, sizeof(text)))
        return Fail(SNMPAPI_OTHER_ERROR, e->session);
    size_t needed = strlen(text) + 1;
    if (needed > size)
        return Fail(SNMPAPI_OUTPUT_TRUNCATED, e->session);
    memcpy(string, text, needed);
    return static_cast<SNMPAPI_STATUS>(needed);
}

SNMPAPI_STATUS WINAPI SnmpFreeEntity(HSNMP_ENTITY entity)
{
    CApiState& s = CApiState::instance();
    CScopedLock lock(s.lock);
    SNMPAPI_STATUS result;
    if (!FindEntity(s, entity, result))
        return result;
    s.entities.remove(entity);
    return SNMPAPI_SUCCESS;
}

SNMPAPI_STATUS WINAPI SnmpSetPort(HSNMP_ENTITY hEntity, UINT nPort)
{
    CApiState& s = CApiState::instance();
    CScopedLock lock(s.lock);
    SNMPAPI_STATUS result;
    CEntity* e = FindEntity(s, hEntity, result);
    if (!e)
        return result;
    if (nPort == 0 || nPort > 65535)
        return Fail(SNMPAPI_TL_INVALID_PARAM, e->session);
    e->address.sin_port = htons(static_cast<u_short>(nPort));
    return SNMPAPI_SUCCESS;
}

SNMPAPI_STATUS WINAPI SnmpGetTimeout(HSNMP_ENTITY hEntity, smiLPTIMETICKS nPolicyTimeout,
                                     smiLPTIMETICKS nActualTimeout)
{
    CApiState& s = CApiState::instance();
    CScopedLock lock(s.lock);
    SNMPAPI_STATUS result;
    CEntity* e = FindEntity(s, hEntity, result);
    if (!e)
        return result;
    if (!nPolicyTimeout && !nActualTimeout)
        return Fail(SNMPAPI_NOOP, e->session);
    if (nPolicyTimeout)
        *nPolicyTimeout = e->timeout;
    if (nActualTimeout)
        *nActualTimeout = e->timeout;
    return SNMPAPI_SUCCESS;
}

SNMPAPI_STATUS WINAPI SnmpSetTimeout(HSNMP_ENTITY hEntity, smiTIMETICKS nPolicyTimeout)
{
    CApiState& s = CApiState::instance();
    CScopedLock lock(s.lock);
    SNMPAPI_STATUS result;
    CEntity* e = FindEntity(s, hEntity, result);
    if (!e)
        return result;
    e->timeout = nPolicyTimeout;
    return SNMPAPI_SUCCESS;
}

SNMPAPI_STATUS WINAPI SnmpGetRetry(HSNMP_ENTITY hEntity, smiLPUINT32 nPolicyRetry,
                                   smiLPUINT32 nActualRetry)
{
    CApiState& s = CApiState::instance();
    CScopedLock lock(s.lock);
    SNMPAPI_STATUS result;
    CEntity* e = FindEntity(s, hEntity, result);
    if (!e)
        return result;
    if (!nPolicyRetry && !nActualRetry)
        return Fail(SNMPAPI_NOOP, e->session);
    if (nPolicyRetry)
        *nPolicyRetry = e->retry;
    if (nActualRetry)
        *nActualRetry = e->retry;
    return SNMPAPI_SUCCESS;
}

SNMPAPI_STATUS WINAPI SnmpSetRetry(HSNMP_ENTITY hEntity, smiUINT32 nPolicyRetry)
{
    CApiState& s = CApiState::instance();
    CScopedLock lock(s.lock);
    SNMPAPI_STATUS result;
    CEntity* e = FindEntity(s, hEntity, result);
    if (!e)
        return result;
    e->retry = nPolicyRetry;
    return SNMPAPI_SUCCESS;
}

HSNMP_CONTEXT WINAPI SnmpStrToContext(HSNMP_SESSION session, smiLPCOCTETS string)
{
    CApiState& s = CApiState::instance();
    CScopedLock lock(s.lock);
    if (!s.startupCount)
        return FailHandle(SNMPAPI_NOT_INITIALIZED);
    if (!s.findSession(session))
        return FailHandle(SNMPAPI_SESSION_INVALID);
    uintptr_t id = HandleValue(session);
    if (!string || (string->len && !string->ptr) || string->len > 65535)
        return FailHandle(SNMPAPI_CONTEXT_INVALID, id);
    auto context = std::make_unique<CContext>();
    context->session = id;
    context->community.assign(string->ptr, string->ptr + string->len);
    return s.contexts.add(std::move(context));
}

SNMPAPI_STATUS WINAPI SnmpContextToStr(HSNMP_CONTEXT context, smiLPOCTETS string)
{
    CApiState& s = CApiState::instance();
    CScopedLock lock(s.lock);
    if (!s.startupCount)
        return Fail(SNMPAPI_NOT_INITIALIZED);
    CContext* c = s.contexts.find(context);
    if (!c)
        return Fail(SNMPAPI_CONTEXT_INVALID);
    if (!string)
        return Fail(SNMPAPI_NOOP, c->session);
    auto* p = static_cast<smiLPBYTE>(AllocDescriptor(c->community.size()));
    if (!p)
        return Fail(SNMPAPI_ALLOC_ERROR, c->session);
    if (!c->community.empty())
        memcpy(p, c->community.data(), c->community.size());
    string->ptr = p;
    string->len = static_cast<smiUINT32>(c->community.size());
    return SNMPAPI_SUCCESS;
}

SNMPAPI_STATUS WINAPI SnmpFreeContext(HSNMP_CONTEXT context)
{
    CApiState& s = CApiState::instance();
    CScopedLock lock(s.lock);
    if (!s.startupCount)
        return Fail(SNMPAPI_NOT_INITIALIZED);
    if (!s.contexts.remove(context))
        return Fail(SNMPAPI_CONTEXT_INVALID);
    return SNMPAPI_SUCCESS;
}

}  // extern "C"
