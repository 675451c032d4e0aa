// CNetMonitoring: the adapter plug-in's COM class. Init, Add and Set are the framework's; its
// own Get puts the adapter list in front of the pending results.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include "NetAdapMon.h"
#include "mon_plugin_object.h"
#include "tol_net.h"

class CNetMonitoring
    : public CMonPlugInObject<CNetMonitoring, CNetAdapMon<CNetMonitoring>, INetMonitoring,
                              &IID_INetMonitoring, &LIBID_tol_netLib,
                              &DIID__INetMonitoringEvents, &CLSID_NetMonitoring> {
    using Base = CMonPlugInObject<CNetMonitoring, CNetAdapMon<CNetMonitoring>, INetMonitoring,
                                  &IID_INetMonitoring, &LIBID_tol_netLib,
                                  &DIID__INetMonitoringEvents, &CLSID_NetMonitoring>;

public:
    static const char* CommandCodeList() { return "NTANTMNTD"; }

    // Winsock 2.0 for the object's lifetime, started by Init before the worker runs.
    void PrepareWorker(Worker*)
    {
        WSADATA data;
        m_winsockStarted = WSAStartup(MAKEWORD(2, 0), &data) == 0;
    }

    void FinalRelease()
    {
        Base::FinalRelease();
        if (m_winsockStarted)
            WSACleanup();
        m_winsockStarted = false;
    }

    // The adapter list (when an adapter is up), then everything pending; E_PENDING when both
    // are empty.
    STDMETHOD(Get)(VARIANT* szResult) override
    {
        if (!m_initialized)
            return Fail(kTextInitializeFirst);
        if (!szResult)
            return E_POINTER;
        VariantInit(szResult);
        szResult->vt = VT_BSTR;
        szResult->bstrVal = nullptr;
        CComBSTR bytes;
        m_worker->BuildAdapterList(&bytes);
        CComBSTR pending;
        pending.Attach(m_pending.Take());
        // Without room for both the results go alone: the list is made again on the next Get,
        // the results would be lost.
        if (!bytes.Append(pending))
            bytes = std::move(pending);
        if (bytes.ByteLength() == 0)
            return E_PENDING;
        szResult->bstrVal = bytes.Detach();
        return S_OK;
    }

    TOL_PLUGIN_COM_MAP(CNetMonitoring, INetMonitoring, IID_INetMonitoring)

private:
    bool m_winsockStarted = false;
};
