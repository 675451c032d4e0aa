// tol_eventlog: the event-log plug-in's module.
#include "EventLogMonitoring.h"

#include "com_dll_exports.h"
#include "plugin_registration.h"

namespace {

const CComClassEntry kClasses[] = {
    {&CLSID_EventLogMonitoring, &CComAggregatableCreator<CEventLogMonitoring>::CreateInstance,
     IDR_PLUGIN_REGISTRATION, ComFactoryKind::Normal},
};

const CPlugInRegistration kRegistration = {
    L"tol_eventlog",
    L"EventLogMonitoring",
    L"{8C0EF3A6-7195-40A5-945E-2E8E6BA3C4E1}",
    L"{9D383DDC-8CC8-490E-ABC8-3D9A9922DEE0}",
    L"Windows Event Log monitoring",
};

class Ctol_eventlogModule : public CMonPlugInModule {
public:
    Ctol_eventlogModule() : CMonPlugInModule(kClasses, 1, kRegistration) {}
};

Ctol_eventlogModule g_module;

}  // namespace

TOL_COM_DLL_EXPORTS(g_module, true)
