// CHostSnmpApi: the Windows SNMP API of the host's process, bound and started as a plug-in
// that binds it (tol_ndis, tol_snmp) would do in the agent: tol_utils.dll's init_snmp_lib and
// SnmpStartup, then SnmpCleanup. Plug-ins whose remote tests count on another plug-in having
// done so (tol_mem, tol_cpu) are tested with it.
#pragma once

#include <windows.h>

class CHostSnmpApi {
public:
    CHostSnmpApi() = default;
    ~CHostSnmpApi() { Stop(); }
    CHostSnmpApi(const CHostSnmpApi&) = delete;
    CHostSnmpApi& operator=(const CHostSnmpApi&) = delete;

    // S_OK once bound and started; E_FAIL when tol_utils.dll or the API cannot be had.
    HRESULT Start();
    // SnmpCleanup after a successful Start; the library stays loaded for the process.
    void Stop();

private:
    HMODULE m_utils = nullptr;
    bool m_started = false;
};
