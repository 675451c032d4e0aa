// tol_http: the HTTP plug-in's module.
#include "HTTPmonitoring.h"

#include "com_dll_exports.h"
#include "plugin_registration.h"

namespace {

const CComClassEntry kClasses[] = {
    {&CLSID_HTTPmonitoring, &CComAggregatableCreator<CHTTPmonitoring>::CreateInstance,
     IDR_PLUGIN_REGISTRATION, ComFactoryKind::Normal},
};

const CPlugInRegistration kRegistration = {
    L"tol_http",
    L"HTTPmonitoring",
    L"{49ECCB2B-3C93-4B3C-AF11-E843E6C02E52}",
    L"{231F0C19-7996-40BD-A095-CC6D8FD669FE}",
    L"HTTP monitoring",
};

class Ctol_httpModule : public CMonPlugInModule {
public:
    Ctol_httpModule() : CMonPlugInModule(kClasses, 1, kRegistration) {}
};

Ctol_httpModule g_module;

}  // namespace

TOL_COM_DLL_EXPORTS(g_module, true)
