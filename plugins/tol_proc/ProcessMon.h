// CProcessMon: the process plug-in's COM class. Init, Add, Get and Set are the framework's;
// every Get puts a fresh process list first, before whatever the passes left pending.
#pragma once

#include <string>

#include "ProcMon.h"
#include "mon_plugin_object.h"
#include "proc_line.h"
#include "tol_proc.h"

class CProcessMon
    : public CMonPlugInObject<CProcessMon, CProcMon<CProcessMon>, IProcessMon, &IID_IProcessMon,
                              &LIBID_tol_procLib, &DIID__IProcessMonEvents, &CLSID_ProcessMon> {
public:
    static const char* CommandCodeList() { return ProcCommandCodes(); }
    static const char* LogPrefix() { return "tol_proc: "; }

    void LeadingResults(CComBSTR* out)
    {
        std::string list;
        if (m_worker && m_worker->BuildProcessList(&list))
            out->AssignBytes(list.data(), static_cast<UINT>(list.size()));
    }

    TOL_PLUGIN_COM_MAP(CProcessMon, IProcessMon, IID_IProcessMon)
};
