#include "host_snmp.h"

#include "winsnmp_api.h"

namespace {

// The address of one of tol_utils.dll's exported function-pointer variables, read.
template <class Pfn>
Pfn BoundEntry(HMODULE utils, const char* variable)
{
    auto* slot = reinterpret_cast<Pfn*>(reinterpret_cast<void*>(GetProcAddress(utils, variable)));
    return slot ? *slot : nullptr;
}

}  // namespace

HRESULT CHostSnmpApi::Start()
{
    if (m_started)
        return S_OK;
    if (!m_utils)
        m_utils = LoadLibraryW(L"tol_utils.dll");
    if (!m_utils)
        return HRESULT_FROM_WIN32(GetLastError());
    using InitFunc = int (*)();
    auto init = reinterpret_cast<InitFunc>(
        reinterpret_cast<void*>(GetProcAddress(m_utils, "init_snmp_lib")));
    if (!init || !init())
        return E_FAIL;
    auto startup = BoundEntry<PFN_SnmpStartup>(m_utils, "libpo_SnmpStartup");
    if (!startup || startup(nullptr, nullptr, nullptr, nullptr, nullptr) != SNMPAPI_SUCCESS)
        return E_FAIL;
    m_started = true;
    return S_OK;
}

void CHostSnmpApi::Stop()
{
    if (!m_started)
        return;
    auto cleanup = BoundEntry<PFN_SnmpCleanup>(m_utils, "libpo_SnmpCleanup");
    if (cleanup)
        cleanup();
    m_started = false;
}
