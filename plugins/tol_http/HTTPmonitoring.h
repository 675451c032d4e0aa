// CHTTPmonitoring: the HTTP plug-in's COM class. Init, Add and Get are the framework's; Set
// also hands the agent's proxy text (SET_PROXY) to the checker.
#pragma once

#include "HttpCheck.h"
#include "mon_plugin_object.h"
#include "tol_http.h"

class CHTTPmonitoring
    : public CMonPlugInObject<CHTTPmonitoring, CHttpCheck<CHTTPmonitoring>, IHTTPmonitoring,
                              &IID_IHTTPmonitoring, &LIBID_tol_httpLib,
                              &DIID__IHTTPmonitoringEvents, &CLSID_HTTPmonitoring> {
    using Base = CMonPlugInObject<CHTTPmonitoring, CHttpCheck<CHTTPmonitoring>, IHTTPmonitoring,
                                  &IID_IHTTPmonitoring, &LIBID_tol_httpLib,
                                  &DIID__IHTTPmonitoringEvents, &CLSID_HTTPmonitoring>;

public:
    static const char* CommandCodeList() { return HttpCommandCodes(); }
    static const char* LogPrefix() { return "tol_http: "; }

    STDMETHOD(Set)(unsigned short nvType, VARIANT nValue) override
    {
        if (!m_initialized || nvType != SET_PROXY || nValue.vt != VT_BSTR)
            return Base::Set(nvType, nValue);
        CHeapText<char> proxy(WideToMultiByteAlloc(nValue.bstrVal, CP_UTF8));
        m_worker->SetProxy(proxy.get());
        return S_OK;
    }

    TOL_PLUGIN_COM_MAP(CHTTPmonitoring, IHTTPmonitoring, IID_IHTTPmonitoring)
};
