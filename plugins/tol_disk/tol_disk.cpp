// tol_disk: the disk volume plug-in's module.
#include "DiskVolumeMonitoring.h"

#include "com_dll_exports.h"
#include "plugin_registration.h"

namespace {

const CComClassEntry kClasses[] = {
    {&CLSID_DiskVolumeMonitoring, &CComAggregatableCreator<CDiskVolumeMonitoring>::CreateInstance,
     IDR_PLUGIN_REGISTRATION, ComFactoryKind::Normal},
};

const CPlugInRegistration kRegistration = {
    L"tol_disk",
    L"DiskVolumeMonitoring",
    L"{4B206900-956E-49B9-B89B-A6DE6A82E0F5}",
    L"{A69F22B0-C98F-4418-AA11-8FDA099F33C7}",
    L"Disk volumes monitoring",
};

class Ctol_diskModule : public CMonPlugInModule {
public:
    Ctol_diskModule() : CMonPlugInModule(kClasses, 1, kRegistration) {}
};

Ctol_diskModule g_module;

}  // namespace

TOL_COM_DLL_EXPORTS(g_module, true)
