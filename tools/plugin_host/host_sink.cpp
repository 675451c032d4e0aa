#include "host_sink.h"

#include <string>

#include "TolvanePlugIns.h"
#include "heap_helpers.h"

STDMETHODIMP CHostSink::QueryInterface(REFIID iid, void** out)
{
    if (!out)
        return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) ||
        IsEqualIID(iid, DIID__ITolvanePlugInEvents)) {
        *out = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP CHostSink::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*)
{
    return E_NOTIMPL;
}

STDMETHODIMP CHostSink::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*,
                               EXCEPINFO*, UINT*)
{
    if (id != 1)
        return DISP_E_MEMBERNOTFOUND;
    if (!params || params->cArgs != 2)
        return DISP_E_BADPARAMCOUNT;
    // Arguments arrive last first: rgvarg[1] is srcID, rgvarg[0] newDesc.
    const VARIANT& srcID = params->rgvarg[1];
    m_output.Event(DescribeSourceId(srcID) + "\t" + DescribeText(params->rgvarg[0]),
                   srcID.vt == VT_UI4);
    return S_OK;
}

std::string DescribeSourceId(const VARIANT& srcID)
{
    switch (srcID.vt) {
    case VT_UI4:
        return "UI4 " + std::to_string(srcID.ulVal);
    case VT_I4:
        return "I4 " + std::to_string(srcID.lVal);
    default:
        return "VT" + std::to_string(srcID.vt);
    }
}

std::string DescribeText(const VARIANT& text)
{
    if (text.vt != VT_BSTR)
        return "<VT" + std::to_string(text.vt) + ">";
    if (!text.bstrVal)
        return "";
    char* utf8 = WideToMultiByteAlloc(text.bstrVal, CP_UTF8);
    std::string out = utf8 ? utf8 : "<unconvertible>";
    FreeHeapBlock(utf8);
    return out;
}
