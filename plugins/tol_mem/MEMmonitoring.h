// CMEMmonitoring: the memory plug-in's COM class; Init, Add, Get and Set are the framework's.
#pragma once

#include "MemMon.h"
#include "mon_plugin_object.h"
#include "tol_mem.h"

class CMEMmonitoring
    : public CMonPlugInObject<CMEMmonitoring, CMemMon<CMEMmonitoring>, IMEMmonitoring,
                              &IID_IMEMmonitoring, &LIBID_tol_memLib, &DIID__IMEMmonitoringEvents,
                              &CLSID_MEMmonitoring> {
public:
    static const char* CommandCodeList() { return MemCommandCodes(); }
    static const char* LogPrefix() { return "tol_mem: "; }

    TOL_PLUGIN_COM_MAP(CMEMmonitoring, IMEMmonitoring, IID_IMEMmonitoring)
};
