// tol_net: the network adapter plug-in's module.
#include "NetMonitoring.h"

#include "com_dll_exports.h"
#include "plugin_registration.h"

namespace {

const CComClassEntry kClasses[] = {
    {&CLSID_NetMonitoring, &CComAggregatableCreator<CNetMonitoring>::CreateInstance,
     IDR_PLUGIN_REGISTRATION, ComFactoryKind::Normal},
};

const CPlugInRegistration kRegistration = {
    L"tol_net",
    L"NetMonitoring",
    L"{0829C989-12B8-44E4-B6CD-B0E2701BF039}",
    L"{CE76D62A-3BA3-4D38-9DD9-E8741F962580}",
    L"Network Adapters statistics",
};

class Ctol_netModule : public CMonPlugInModule {
public:
    Ctol_netModule() : CMonPlugInModule(kClasses, 1, kRegistration) {}
};

Ctol_netModule g_module;

}  // namespace

TOL_COM_DLL_EXPORTS(g_module, true)
