#include "named_dispatch.h"

#include <cwchar>

STDMETHODIMP CNamedDispatch::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids)
{
    if (!names || !ids || count == 0)
        return E_INVALIDARG;
    HRESULT hr = S_OK;
    for (UINT i = 0; i < count; ++i)
        ids[i] = DISPID_UNKNOWN;
    for (const CDispatchName* n = Names(); n->name; ++n) {
        if (_wcsicmp(n->name, names[0]) == 0)
            ids[0] = n->id;
    }
    if (ids[0] == DISPID_UNKNOWN || count > 1)
        hr = DISP_E_UNKNOWNNAME;
    return hr;
}

STDMETHODIMP CNamedDispatch::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                    VARIANT* result, EXCEPINFO*, UINT*)
{
    if (result)
        VariantInit(result);
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    return InvokeMember(id, flags, params ? params : &none, result);
}
