// CTESTmonitoring: the test plug-in's COM class, the framework's object as it stands.
#pragma once

#include "mon_plugin_object.h"
#include "test_mon.h"
#include "tol_fwtest.h"

class CTESTmonitoring
    : public CMonPlugInObject<CTESTmonitoring, CTestMon<CTESTmonitoring>, ITESTmonitoring,
                              &IID_ITESTmonitoring, &LIBID_tol_fwtestLib,
                              &DIID__ITESTmonitoringEvents, &CLSID_TESTmonitoring> {
public:
    static const char* CommandCodeList() { return "TSATSDTSP"; }
    static const char* LogPrefix() { return "tol_fwtest: "; }

    TOL_PLUGIN_COM_MAP(CTESTmonitoring, ITESTmonitoring, IID_ITESTmonitoring)
};
