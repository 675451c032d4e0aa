// Start-up and clean-up of the API, its process-wide modes and the last error.
#include <vector>

#include "api_state.h"
#include "session.h"
#include "transport.h"

using namespace wsnmp;

namespace {

void SetOut(smiLPUINT32 out, smiUINT32 value)
{
    if (out)
        *out = value;
}

// Keeps the DLL loaded for the rest of the process once its threads have run: a caller
// that frees the library without SnmpCleanup must not leave them in unmapped code.
void PinModule()
{
    HMODULE self = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                       reinterpret_cast<LPCWSTR>(&PinModule), &self);
}

}  // namespace

extern "C" {

SNMPAPI_STATUS WINAPI SnmpStartup(smiLPUINT32 nMajorVersion, smiLPUINT32 nMinorVersion,
                                  smiLPUINT32 nLevel, smiLPUINT32 nTranslateMode,
                                  smiLPUINT32 nRetransmitMode)
{
    CApiState& s = CApiState::instance();
    CScopedLock lock(s.lock);
    if (s.startupCount == 0) {
        WSADATA data;
        if (WSAStartup(MAKEWORD(2, 2), &data) != 0)
            return Fail(SNMPAPI_TL_NOT_INITIALIZED);
        auto transport = std::make_unique<CTransport>();
        uint32_t error = 0;
        if (!transport->start(error)) {
            transport.reset();
            WSACleanup();
            return Fail(error);
        }
        s.transport = std::move(transport);
        PinModule();
    }
    ++s.startupCount;
    SetOut(nMajorVersion, 2);
    SetOut(nMinorVersion, 0);
    SetOut(nLevel, SNMPAPI_V2_SUPPORT);
    SetOut(nTranslateMode, s.translateMode);
    SetOut(nRetransmitMode, s.retransmitMode);
    return SNMPAPI_SUCCESS;
}

SNMPAPI_STATUS WINAPI SnmpCleanup(void)
{
    CApiState& s = CApiState::instance();
    std::vector<std::shared_ptr<CSession>> sessions;
    std::unique_ptr<CTransport> transport;
    {
        CScopedLock lock(s.lock);
        if (s.startupCount == 0)
            return Fail(SNMPAPI_NOT_INITIALIZED);
        if (--s.startupCount > 0)
            return SNMPAPI_SUCCESS;
        for (auto& item : s.sessions)
            sessions.push_back(item.second);
        s.sessions.clear();
        s.entities.clear();
        s.contexts.clear();
        s.pdus.clear();
        s.vbls.clear();
        transport = std::move(s.transport);
    }
    // Outside the lock: a callback that is running may still call in.
    for (auto& session : sessions)
        session->close();
    if (transport)
        transport->stop();
    transport.reset();
    WSACleanup();
    return SNMPAPI_SUCCESS;
}

SNMPAPI_STATUS WINAPI SnmpGetTranslateMode(smiLPUINT32 nTranslateMode)
{
    CApiState& s = CApiState::instance();
    CScopedLock lock(s.lock);
    if (!s.startupCount)
        return Fail(SNMPAPI_NOT_INITIALIZED);
    if (!nTranslateMode)
        return Fail(SNMPAPI_NOOP);
    *nTranslateMode = s.translateMode;
    return SNMPAPI_SUCCESS;
}

SNMPAPI_STATUS WINAPI SnmpSetTranslateMode(smiUINT32 nTranslateMode)
{
    CApiState& s = CApiState::instance();
    CScopedLock lock(s.lock);
    if (!s.startupCount)
        return Fail(SNMPAPI_NOT_INITIALIZED);
    if (nTranslateMode > SNMPAPI_UNTRANSLATED_V2)
        return Fail(SNMPAPI_MODE_INVALID);
    s.translateMode = nTranslateMode;
    return SNMPAPI_SUCCESS;
}

SNMPAPI_STATUS WINAPI SnmpGetRetransmitMode(smiLPUINT32 nRetransmitMode)
{
    CApiState& s = CApiState::instance();
    CScopedLock lock(s.lock);
    if (!s.startupCount)
        return Fail(SNMPAPI_NOT_INITIALIZED);
    if (!nRetransmitMode)
        return Fail(SNMPAPI_NOOP);
    *nRetransmitMode = s.retransmitMode;
    return SNMPAPI_SUCCESS;
}

SNMPAPI_STATUS WINAPI SnmpSetRetransmitMode(smiUINT32 nRetransmitMode)
{
    CApiState& s = CApiState::instance();
    CScopedLock lock(s.lock);
    if (!s.startupCount)
        return Fail(SNMPAPI_NOT_INITIALIZED);
    if (nRetransmitMode != SNMPAPI_OFF && nRetransmitMode != SNMPAPI_ON)
        return Fail(SNMPAPI_MODE_INVALID);
    s.retransmitMode = nRetransmitMode;
    return SNMPAPI_SUCCESS;
}

SNMPAPI_STATUS WINAPI SnmpGetLastError(HSNMP_SESSION session)
{
    return LastApiError(HandleValue(session));
}

}  // extern "C"
