// CNetMonitoring: the adapter plug-in's COM class, the framework's object with the adapter list
// in front of the pending results of every Get.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include "NetAdapMon.h"
#include "mon_plugin_object.h"
#include "winsock_holder.h"
#include "tol_net.h"

class CNetMonitoring
    : public CMonPlugInObject<CNetMonitoring, CNetAdapMon<CNetMonitoring>, INetMonitoring,
                              &IID_INetMonitoring, &LIBID_tol_netLib, &DIID__INetMonitoringEvents,
                              &CLSID_NetMonitoring> {
public:
    static const char* CommandCodeList() { return NetCommandCodes(); }
    static const char* LogPrefix() { return "tol_net: "; }

    // Winsock 2.0 for the object's lifetime, started by Init before the worker runs.
    void PrepareWorker(Worker*) { m_winsock.Acquire(); }

    void FinalRelease()
    {
        CMonPlugInObject::FinalRelease();
        m_winsock.Release();
    }

    // Every Get leads with the adapter list (when an adapter is up), so it answers E_PENDING
    // only when no adapter is up and nothing is pending.
    void LeadingResults(CComBSTR* bytes) { m_worker->BuildAdapterList(bytes); }

    TOL_PLUGIN_COM_MAP(CNetMonitoring, INetMonitoring, IID_INetMonitoring)

private:
    CWinsockHolder m_winsock;
};
