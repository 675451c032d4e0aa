// tol_cpu: the processor plug-in's module.
#include "CPUmonitoring.h"

#include "com_dll_exports.h"
#include "plugin_registration.h"

namespace {

const CComClassEntry kClasses[] = {
    {&CLSID_CPUmonitoring, &CComAggregatableCreator<CCPUmonitoring>::CreateInstance,
     IDR_PLUGIN_REGISTRATION, ComFactoryKind::Normal},
};

const CPlugInRegistration kRegistration = {
    L"tol_cpu",
    L"CPUmonitoring",
    L"{7B3575B0-1798-4484-92C4-5A0A9190768D}",
    L"{A86751FB-FC3F-40AD-BF04-7CC096A43B41}",
    L"CPU monitoring",
};

class Ctol_cpuModule : public CMonPlugInModule {
public:
    Ctol_cpuModule() : CMonPlugInModule(kClasses, 1, kRegistration) {}
};

Ctol_cpuModule g_module;

}  // namespace

TOL_COM_DLL_EXPORTS(g_module, true)
