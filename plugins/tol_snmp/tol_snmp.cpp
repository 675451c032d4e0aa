// tol_snmp: the SNMP plug-in's module.
#include "SNMPmonitoring.h"

#include "com_dll_exports.h"
#include "plugin_registration.h"

namespace {

const CComClassEntry kClasses[] = {
    {&CLSID_SNMPmonitoring, &CComAggregatableCreator<CSNMPmonitoring>::CreateInstance,
     IDR_PLUGIN_REGISTRATION, ComFactoryKind::Normal},
};

const CPlugInRegistration kRegistration = {
    L"tol_snmp",
    L"SNMPmonitoring",
    L"{79B45043-E0AB-4E7D-B816-5C39129A2DD7}",
    L"{2C634C24-217C-4E32-AAEB-AD463F5848D6}",
    L"SNMP monitoring",
};

class Ctol_snmpModule : public CMonPlugInModule {
public:
    Ctol_snmpModule() : CMonPlugInModule(kClasses, 1, kRegistration) {}
};

Ctol_snmpModule g_module;

}  // namespace

TOL_COM_DLL_EXPORTS(g_module, true)
