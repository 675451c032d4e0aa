// Variable binding lists.
#include "api_state.h"
#include "smi_values.h"

using namespace wsnmp;

namespace {

// Reads a binding from the caller's structures; false with the error recorded.
bool ReadBinding(smiLPCOID name, smiLPCVALUE value, VarBind& out, uintptr_t session)
{
    uint32_t error = 0;
    if (!OidFromSmi(name, out.name, error) || !ValueFromSmi(value, out.value, error)) {
        SetLastApiError(error, session);
        return false;
    }
    return true;
}

}  // namespace

extern "C" {

HSNMP_VBL WINAPI SnmpCreateVbl(HSNMP_SESSION session, smiLPCOID name, smiLPCVALUE value)
{
    CApiState& s = CApiState::instance();
    CScopedLock lock(s.lock);
    if (!s.startupCount)
        return FailHandle(SNMPAPI_NOT_INITIALIZED);
    if (!s.findSession(session))
        return FailHandle(SNMPAPI_SESSION_INVALID);
    auto vbl = std::make_unique<CVblObject>();
    vbl->session = HandleValue(session);
    if (name) {
        VarBind vb;
        if (!ReadBinding(name, value, vb, vbl->session))
            return nullptr;
        vbl->list.push_back(std::move(vb));
    }
    return s.vbls.add(std::move(vbl));
}

SNMPAPI_STATUS WINAPI SnmpSetVb(HSNMP_VBL vbl, smiUINT32 index, smiLPCOID name, smiLPCVALUE value)
{
    CApiState& s = CApiState::instance();
    CScopedLock lock(s.lock);
    if (!s.startupCount)
        return Fail(SNMPAPI_NOT_INITIALIZED);
    CVblObject* v = s.vbls.find(vbl);
    if (!v)
        return Fail(SNMPAPI_VBL_INVALID);
    if (index > v->list.size())
        return Fail(SNMPAPI_INDEX_INVALID, v->session);
    VarBind vb;
    if (!ReadBinding(name, value, vb, v->session))
        return SNMPAPI_FAILURE;
    if (index == 0) {
        v->list.push_back(std::move(vb));
        return static_cast<SNMPAPI_STATUS>(v->list.size());
    }
    v->list[index - 1] = std::move(vb);
    return index;
}

SNMPAPI_STATUS WINAPI SnmpGetVb(HSNMP_VBL vbl, smiUINT32 index, smiLPOID name, smiLPVALUE value)
{
    CApiState& s = CApiState::instance();
    CScopedLock lock(s.lock);
    if (!s.startupCount)
        return Fail(SNMPAPI_NOT_INITIALIZED);
    CVblObject* v = s.vbls.find(vbl);
    if (!v)
        return Fail(SNMPAPI_VBL_INVALID);
    if (index == 0 || index > v->list.size())
        return Fail(SNMPAPI_INDEX_INVALID, v->session);
    if (!name || !value)
        return Fail(SNMPAPI_NOOP, v->session);
    const VarBind& vb = v->list[index - 1];
    if (!OidToSmi(vb.name, *name))
        return Fail(SNMPAPI_ALLOC_ERROR, v->session);
    if (!ValueToSmi(vb.value, *value)) {
        FreeDescriptorMemory(name->ptr);
        name->ptr = nullptr;
        name->len = 0;
        return Fail(SNMPAPI_ALLOC_ERROR, v->session);
    }
    return SNMPAPI_SUCCESS;
}

SNMPAPI_STATUS WINAPI SnmpCountVbl(HSNMP_VBL vbl)
{
    CApiState& s = CApiState::instance();
    CScopedLock lock(s.lock);
    if (!s.startupCount)
        return Fail(SNMPAPI_NOT_INITIALIZED);
    CVblObject* v = s.vbls.find(vbl);
    if (!v)
        return Fail(SNMPAPI_VBL_INVALID);
    if (v->list.empty())
        return Fail(SNMPAPI_NOOP, v->session);
    return static_cast<SNMPAPI_STATUS>(v->list.size());
}

SNMPAPI_STATUS WINAPI SnmpFreeVbl(HSNMP_VBL vbl)
{
    CApiState& s = CApiState::instance();
    CScopedLock lock(s.lock);
    if (!s.startupCount)
        return Fail(SNMPAPI_NOT_INITIALIZED);
    if (!s.vbls.remove(vbl))
        return Fail(SNMPAPI_VBL_INVALID);
    return SNMPAPI_SUCCESS;
}

}  // extern "C"
