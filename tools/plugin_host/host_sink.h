// CHostSink: the host's event sink, an IDispatch advised on _ITolvanePlugInEvents.
// Each OnNewData becomes one line of the output's events file.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include "host_output.h"
#include "no_type_info_dispatch.h"
#include "ref_counted.h"

class CHostSink : public CRefCounted<CNoTypeInfoDispatch<IDispatch>> {
public:
    explicit CHostSink(CHostOutput& output) : m_output(output) {}
    ~CHostSink() override = default;

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;

    // IDispatch (no type information)
    STDMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid,
                               DISPID* ids) override;
    STDMETHODIMP Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params,
                        VARIANT* result, EXCEPINFO* exception, UINT* argError) override;

private:
    CHostOutput& m_output;
};

// "<type> <value>" of a srcID: "UI4 3", "I4 -5", or "VT<n>" for another type.
std::string DescribeSourceId(const VARIANT& srcID);
// The UTF-8 text of a VT_BSTR, "<VT<n>>" for another type.
std::string DescribeText(const VARIANT& text);
