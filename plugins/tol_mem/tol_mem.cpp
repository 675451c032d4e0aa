// tol_mem: the memory plug-in's module.
#include "MEMmonitoring.h"

#include "com_dll_exports.h"
#include "plugin_registration.h"

namespace {

const CComClassEntry kClasses[] = {
    {&CLSID_MEMmonitoring, &CComAggregatableCreator<CMEMmonitoring>::CreateInstance,
     IDR_PLUGIN_REGISTRATION, ComFactoryKind::Normal},
};

const CPlugInRegistration kRegistration = {
    L"tol_mem",
    L"MEMmonitoring",
    L"{E73660C6-735F-4A84-9182-9E1903FE87FD}",
    L"{6E88DF9A-C791-48AA-92A8-D356857C0C65}",
    L"Memory monitoring",
};

class Ctol_memModule : public CMonPlugInModule {
public:
    Ctol_memModule() : CMonPlugInModule(kClasses, 1, kRegistration) {}
};

Ctol_memModule g_module;

}  // namespace

TOL_COM_DLL_EXPORTS(g_module, true)
