// CICMPmonitoring: the ping plug-in's COM class. Its Init starts Winsock for the checker
// before the checker's worker starts; Add, Get and Set are the framework's.
#pragma once

#include "ICMPchecker.h"
#include "mon_plugin_object.h"
#include "plugin_init_reply.h"
#include "tol_icmp.h"

class CICMPmonitoring
    : public CMonPlugInObject<CICMPmonitoring, CICMPchecker<CICMPmonitoring>, IICMPmonitoring,
                              &IID_IICMPmonitoring, &LIBID_tol_icmpLib,
                              &DIID__IICMPmonitoringEvents, &CLSID_ICMPmonitoring> {
public:
    static const char* CommandCodeList() { return "PGAPGMPGD"; }

    STDMETHOD(Init)(VARIANT szAuth, VARIANT* szCommand) override
    {
        CScopedLock lock(m_initLock);
        if (m_initialized)
            return Fail(kTextAlreadyInitialised);
        if (szAuth.vt != VT_BSTR || SysStringByteLen(szAuth.bstrVal) == 0)
            return Fail(kTextNoAuthentication);
        CComBSTR reply;
        DWORD error = 0;
        switch (AnswerInitRequest(CLSID_ICMPmonitoring, szAuth.bstrVal, CommandCodeList(), &reply,
                                  &error)) {
        case InitReply::Accepted:
            break;
        case InitReply::NoClassText:
            return FailWithSystemText(error);
        case InitReply::Refused:
            return Fail(kTextInitialisationFailed);
        }
        Worker* worker = new (std::nothrow) Worker();
        if (!worker)
            return Fail(kTextInitialisationFailed);
        worker->m_owner = this;
        worker->StartWinsock();
        worker->Start();
        m_worker = worker;
        if (szCommand) {
            VariantInit(szCommand);
            szCommand->vt = VT_BSTR;
            szCommand->bstrVal = reply.Detach();
        }
        m_initialized = true;
        return S_OK;
    }

    TOL_PLUGIN_COM_MAP(CICMPmonitoring, IICMPmonitoring, IID_IICMPmonitoring)
};
