// PDUs: a type, a request id, error status and index (non-repeaters and max-repetitions for
// GETBULK) and a copy of a varbind list.
#include "api_state.h"

using namespace wsnmp;

namespace {

bool CreatableType(smiINT type)
{
    switch (type) {
    case SNMP_PDU_GET:
    case SNMP_PDU_GETNEXT:
    case SNMP_PDU_RESPONSE:
    case SNMP_PDU_SET:
    case SNMP_PDU_GETBULK:
    case SNMP_PDU_INFORM:
    case SNMP_PDU_TRAP:
        return true;
    default:
        return false;
    }
}

}  // namespace

extern "C" {

HSNMP_PDU WINAPI SnmpCreatePdu(HSNMP_SESSION session, smiINT PDU_type, smiINT32 request_id,
                               smiINT error_status, smiINT error_index, HSNMP_VBL varbindlist)
{
    CApiState& s = CApiState::instance();
    CScopedLock lock(s.lock);
    if (!s.startupCount)
        return FailHandle(SNMPAPI_NOT_INITIALIZED);
    if (!s.findSession(session))
        return FailHandle(SNMPAPI_SESSION_INVALID);
    uintptr_t id = HandleValue(session);
    if (!CreatableType(PDU_type))
        return FailHandle(SNMPAPI_PDU_INVALID, id);
    auto pdu = std::make_unique<CPduObject>();
    pdu->session = id;
    if (varbindlist) {
        CVblObject* vbl = s.vbls.find(varbindlist);
        if (!vbl)
            return FailHandle(SNMPAPI_VBL_INVALID, id);
        pdu->pdu.varbinds = vbl->list;
    }
    pdu->pdu.type = PDU_type;
    pdu->pdu.requestId = request_id ? request_id : s.nextRequestId();
    pdu->pdu.errorStatus = error_status;
    pdu->pdu.errorIndex = error_index;
    return s.pdus.add(std::move(pdu));
}

SNMPAPI_STATUS WINAPI SnmpGetPduData(HSNMP_PDU PDU, smiLPINT PDU_type, smiLPINT32 request_id,
                                     smiLPINT error_status, smiLPINT error_index,
                                     LPHSNMP_VBL varbindlist)
{
    CApiState& s = CApiState::instance();
    CScopedLock lock(s.lock);
    if (!s.startupCount)
        return Fail(SNMPAPI_NOT_INITIALIZED);
    CPduObject* p = s.pdus.find(PDU);
    if (!p)
        return Fail(SNMPAPI_PDU_INVALID);
    if (!PDU_type && !request_id && !error_status && !error_index && !varbindlist)
        return Fail(SNMPAPI_NOOP, p->session);
    if (varbindlist) {
        auto vbl = std::make_unique<CVblObject>();
        vbl->session = p->session;
        vbl->list = p->pdu.varbinds;
        *varbindlist = s.vbls.add(std::move(vbl));
    }
    if (PDU_type)
        *PDU_type = p->pdu.type;
    if (request_id)
        *request_id = p->pdu.requestId;
    if (error_status)
        *error_status = p->pdu.errorStatus;
    if (error_index)
        *error_index = p->pdu.errorIndex;
    return SNMPAPI_SUCCESS;
}

SNMPAPI_STATUS WINAPI SnmpSetPduData(HSNMP_PDU PDU, const smiINT* PDU_type,
                                     const smiINT32* request_id, const smiINT* non_repeaters,
                                     const smiINT* max_repetitions, const HSNMP_VBL* varbindlist)
{
    CApiState& s = CApiState::instance();
    CScopedLock lock(s.lock);
    if (!s.startupCount)
        return Fail(SNMPAPI_NOT_INITIALIZED);
    CPduObject* p = s.pdus.find(PDU);
    if (!p)
        return Fail(SNMPAPI_PDU_INVALID);
    if (!PDU_type && !request_id && !non_repeaters && !max_repetitions && !varbindlist)
        return Fail(SNMPAPI_NOOP, p->session);
    if (PDU_type && !CreatableType(*PDU_type))
        return Fail(SNMPAPI_PDU_INVALID, p->session);
    CVblObject* vbl = nullptr;
    if (varbindlist && !(vbl = s.vbls.find(*varbindlist)))
        return Fail(SNMPAPI_VBL_INVALID, p->session);
    if (PDU_type)
        p->pdu.type = *PDU_type;
    if (request_id)
        p->pdu.requestId = *request_id;
    if (p->pdu.type == SNMP_PDU_GETBULK) {
        if (non_repeaters)
            p->pdu.errorStatus = *non_repeaters;
        if (max_repetitions)
            p->pdu.errorIndex = *max_repetitions;
    }
    if (vbl)
        p->pdu.varbinds = vbl->list;
    return SNMPAPI_SUCCESS;
}

SNMPAPI_STATUS WINAPI SnmpFreePdu(HSNMP_PDU PDU)
{
    CApiState& s = CApiState::instance();
    CScopedLock lock(s.lock);
    if (!s.startupCount)
        return Fail(SNMPAPI_NOT_INITIALIZED);
    if (!s.pdus.remove(PDU))
        return Fail(SNMPAPI_PDU_INVALID);
    return SNMPAPI_SUCCESS;
}

}  // extern "C"
