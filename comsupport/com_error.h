// COM error information: the error object a failing method leaves for its caller, and
// ISupportErrorInfo for the interfaces that report it.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include "com_bstr.h"

// Sets the thread's error object (source, description, null interface identifier, no help
// file) and returns E_FAIL.
HRESULT SetComError(const wchar_t* source, const wchar_t* description);
// The same with the class's registered ProgID as source (no source when none is registered).
HRESULT ReportComError(REFCLSID clsid, const wchar_t* description);

// Takes the thread's error object (GetErrorInfo); false when there is none.
bool TakeComError(CComBSTR* source, CComBSTR* description, GUID* iid = nullptr);

// Answers S_OK for the listed interfaces and S_FALSE for any other.
template <const IID*... Iids>
class CSupportErrorInfoImpl : public ISupportErrorInfo {
public:
    STDMETHOD(InterfaceSupportsErrorInfo)(REFIID riid) override
    {
        return (IsEqualIID(riid, *Iids) || ...) ? S_OK : S_FALSE;
    }
};
