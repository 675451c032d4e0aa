// CCPUmonitoring: the processor plug-in's COM class; Init, Add, Get and Set are the framework's.
#pragma once

#include "CPUmon.h"
#include "mon_plugin_object.h"
#include "tol_cpu.h"

class CCPUmonitoring
    : public CMonPlugInObject<CCPUmonitoring, CCPUmon<CCPUmonitoring>, ICPUmonitoring,
                              &IID_ICPUmonitoring, &LIBID_tol_cpuLib, &DIID__ICPUmonitoringEvents,
                              &CLSID_CPUmonitoring> {
public:
    static const char* CommandCodeList() { return CpuCommandCodes(); }
    static const char* LogPrefix() { return "tol_cpu: "; }

    TOL_PLUGIN_COM_MAP(CCPUmonitoring, ICPUmonitoring, IID_ICPUmonitoring)
};
