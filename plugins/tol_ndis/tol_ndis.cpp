// tol_ndis: the network discovery plug-in's module.
#include "NetScanner.h"

#include "com_dll_exports.h"
#include "plugin_registration.h"

namespace {

const CComClassEntry kClasses[] = {
    {&CLSID_NetScanner, &CComAggregatableCreator<CNetScanner>::CreateInstance,
     IDR_PLUGIN_REGISTRATION, ComFactoryKind::Normal},
};

const CPlugInRegistration kRegistration = {
    L"tol_ndis",
    L"NetScanner",
    L"{5E0C2B7A-8D41-4F6B-9C3E-2A7D1F0B6E95}",
    L"{4EB266E7-E807-42B9-B2C4-B44191DBAA69}",
    L"Network Monitoring",
};

class Ctol_ndisModule : public CMonPlugInModule {
public:
    Ctol_ndisModule() : CMonPlugInModule(kClasses, 1, kRegistration) {}
};

Ctol_ndisModule g_module;

}  // namespace

TOL_COM_DLL_EXPORTS(g_module, true)
