// tol_fwtest: a plug-in built on the framework for the framework's own tests.
#include "TESTmonitoring.h"

#include "com_dll_exports.h"
#include "plugin_registration.h"

namespace {

const CComClassEntry kClasses[] = {
    {&CLSID_TESTmonitoring, &CComAggregatableCreator<CTESTmonitoring>::CreateInstance,
     IDR_PLUGIN_REGISTRATION, ComFactoryKind::Normal},
};

const CPlugInRegistration kRegistration = {
    L"tol_fwtest",
    L"TESTmonitoring",
    L"{E11B3172-6D33-448F-B663-7694568A985C}",
    L"{DFEDF531-8BD1-49B1-88CD-567630AACD09}",
    L"Framework test plug-in",
};

class Ctol_fwtestModule : public CMonPlugInModule {
public:
    Ctol_fwtestModule() : CMonPlugInModule(kClasses, 1, kRegistration) {}
};

Ctol_fwtestModule g_module;

}  // namespace

TOL_COM_DLL_EXPORTS(g_module, true)
