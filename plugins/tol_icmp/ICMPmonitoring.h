// CICMPmonitoring: the ping plug-in's COM class. Init, Add, Get and Set are the framework's;
// Winsock is held from a successful Init, before the checker's worker starts, to the release.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include "ICMPchecker.h"
#include "mon_plugin_object.h"
#include "winsock_holder.h"
#include "tol_icmp.h"

class CICMPmonitoring
    : public CMonPlugInObject<CICMPmonitoring, CICMPchecker<CICMPmonitoring>, IICMPmonitoring,
                              &IID_IICMPmonitoring, &LIBID_tol_icmpLib,
                              &DIID__IICMPmonitoringEvents, &CLSID_ICMPmonitoring> {
public:
    static const char* CommandCodeList() { return PingCommandCodes(); }
    static const char* LogPrefix() { return "tol_icmp: "; }

    void PrepareWorker(Worker*) { m_winsock.Acquire(); }

    // The checker (when Init made one) is stopped and deleted first; Winsock is cleaned up
    // only when Init started it.
    void FinalRelease()
    {
        CMonPlugInObject::FinalRelease();
        m_winsock.Release();
    }

    TOL_PLUGIN_COM_MAP(CICMPmonitoring, IICMPmonitoring, IID_IICMPmonitoring)

private:
    CWinsockHolder m_winsock;
};
