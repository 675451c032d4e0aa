// tol_icmp: the ping plug-in's module.
#include "ICMPmonitoring.h"

#include "com_dll_exports.h"
#include "plugin_registration.h"

namespace {

const CComClassEntry kClasses[] = {
    {&CLSID_ICMPmonitoring, &CComAggregatableCreator<CICMPmonitoring>::CreateInstance,
     IDR_PLUGIN_REGISTRATION, ComFactoryKind::Normal},
};

const CPlugInRegistration kRegistration = {
    L"tol_icmp",
    L"ICMPmonitoring",
    L"{17867C06-43C0-4DBA-9842-8D96C8DE46B6}",
    L"{721B474F-2930-49EF-AE3A-2991EE84C99A}",
    L"ICMP monitoring",
};

class Ctol_icmpModule : public CMonPlugInModule {
public:
    Ctol_icmpModule() : CMonPlugInModule(kClasses, 1, kRegistration) {}
};

Ctol_icmpModule g_module;

}  // namespace

TOL_COM_DLL_EXPORTS(g_module, true)
