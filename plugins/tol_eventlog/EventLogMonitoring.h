// CEventLogMonitoring: the event-log plug-in's COM class. Init, Add, Get and Set are the
// framework's; the worker is a CEventLogMon.
#pragma once

#include "EventLogMon.h"
#include "mon_plugin_object.h"
#include "tol_eventlog.h"

class CEventLogMonitoring
    : public CMonPlugInObject<CEventLogMonitoring, CEventLogMon<CEventLogMonitoring>,
                              IEventLogMonitoring, &IID_IEventLogMonitoring, &LIBID_tol_eventlogLib,
                              &DIID__IEventLogMonitoringEvents, &CLSID_EventLogMonitoring> {
public:
    static const char* CommandCodeList() { return EventLogCommandCodes(); }
    static const char* LogPrefix() { return "tol_evt: "; }

    TOL_PLUGIN_COM_MAP(CEventLogMonitoring, IEventLogMonitoring, IID_IEventLogMonitoring)
};
