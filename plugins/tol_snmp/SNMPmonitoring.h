// CSNMPmonitoring: the SNMP plug-in's COM class. Add, Get and Set are the framework's; Init
// also starts the Windows SNMP API through the new checker, and fails without a checker when
// that cannot be done; Winsock 2.0 is held from a successful Init to the release.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include "SNMPClient.h"
#include "mon_plugin_object.h"
#include "winsock_holder.h"
#include "tol_snmp.h"

class CSNMPmonitoring
    : public CMonPlugInObject<CSNMPmonitoring, CSNMPClient<CSNMPmonitoring>, ISNMPmonitoring,
                              &IID_ISNMPmonitoring, &LIBID_tol_snmpLib,
                              &DIID__ISNMPmonitoringEvents, &CLSID_SNMPmonitoring> {
public:
    static const char* CommandCodeList() { return SnmpCommandCodes(); }
    static const char* LogPrefix() { return "tol_snmp: "; }

    bool AcceptWorker(Worker* worker) { return worker->StartSnmp(); }

    void PrepareWorker(Worker*) { m_winsock.Acquire(); }

    // The checker (when Init made one) is stopped and deleted first; Winsock is cleaned up
    // only when Init started it.
    void FinalRelease()
    {
        CMonPlugInObject::FinalRelease();
        m_winsock.Release();
    }

    TOL_PLUGIN_COM_MAP(CSNMPmonitoring, ISNMPmonitoring, IID_ISNMPmonitoring)

private:
    CWinsockHolder m_winsock;
};
