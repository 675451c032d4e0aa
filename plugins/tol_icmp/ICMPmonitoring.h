// CICMPmonitoring: the ping plug-in's COM class. Init, Add, Get and Set are the framework's;
// the checker gets Winsock before its worker starts.
#pragma once

#include "ICMPchecker.h"
#include "mon_plugin_object.h"
#include "tol_icmp.h"

class CICMPmonitoring
    : public CMonPlugInObject<CICMPmonitoring, CICMPchecker<CICMPmonitoring>, IICMPmonitoring,
                              &IID_IICMPmonitoring, &LIBID_tol_icmpLib,
                              &DIID__IICMPmonitoringEvents, &CLSID_ICMPmonitoring> {
public:
    static const char* CommandCodeList() { return "PGAPGMPGD"; }
    static const char* LogPrefix() { return "tol_icmp: "; }

    // Winsock for the checker's probe threads, before its worker starts.
    void PrepareWorker(Worker* worker) { worker->StartWinsock(); }

    TOL_PLUGIN_COM_MAP(CICMPmonitoring, IICMPmonitoring, IID_IICMPmonitoring)
};
