#include "com_error.h"

#include "com_ptr.h"

HRESULT SetComError(const wchar_t* source, const wchar_t* description)
{
    CComPtr<ICreateErrorInfo> create;
    if (SUCCEEDED(CreateErrorInfo(&create))) {
        create->SetGUID(GUID_NULL);
        create->SetSource(const_cast<LPOLESTR>(source));
        create->SetDescription(const_cast<LPOLESTR>(description));
        create->SetHelpFile(nullptr);
        create->SetHelpContext(0);
        CComPtr<IErrorInfo> info;
        if (SUCCEEDED(create->QueryInterface(IID_IErrorInfo, info.ReceiveVoid())))
            SetErrorInfo(0, info);
    }
    return E_FAIL;
}

HRESULT ReportComError(REFCLSID clsid, const wchar_t* description)
{
    LPOLESTR progId = nullptr;
    if (FAILED(ProgIDFromCLSID(clsid, &progId)))
        progId = nullptr;
    HRESULT hr = SetComError(progId, description);
    CoTaskMemFree(progId);
    return hr;
}

bool TakeComError(CComBSTR* source, CComBSTR* description, GUID* iid)
{
    CComPtr<IErrorInfo> info;
    if (GetErrorInfo(0, &info) != S_OK || !info)
        return false;
    if (source)
        info->GetSource(source->Receive());
    if (description)
        info->GetDescription(description->Receive());
    if (iid)
        info->GetGUID(iid);
    return true;
}
