// tol_proc: the process plug-in's module.
#include "ProcessMon.h"

#include "com_dll_exports.h"
#include "plugin_registration.h"

namespace {

const CComClassEntry kClasses[] = {
    {&CLSID_ProcessMon, &CComAggregatableCreator<CProcessMon>::CreateInstance,
     IDR_PLUGIN_REGISTRATION, ComFactoryKind::Normal},
};

const CPlugInRegistration kRegistration = {
    L"tol_proc",
    L"ProcessMon",
    L"{6978E345-C712-4306-AFEB-777D476A0959}",
    L"{C0639391-C420-4F89-8176-793324CAB98B}",
    L"Process monitoring",
};

class Ctol_procModule : public CMonPlugInModule {
public:
    Ctol_procModule() : CMonPlugInModule(kClasses, 1, kRegistration) {}
};

Ctol_procModule g_module;

}  // namespace

TOL_COM_DLL_EXPORTS(g_module, true)
