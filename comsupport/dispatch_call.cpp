#include "dispatch_call.h"

#include <vector>

HRESULT InvokeByName(IDispatch* object, const wchar_t* name, WORD flags, const VARIANT* args,
                     UINT count, VARIANT* result, EXCEPINFO* exception)
{
    if (!object || !name)
        return E_POINTER;
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR names = const_cast<LPOLESTR>(name);
    HRESULT hr = object->GetIDsOfNames(IID_NULL, &names, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(hr))
        return hr;
    // DISPPARAMS holds the arguments last first.
    std::vector<VARIANT> reversed(count);
    for (UINT i = 0; i < count; ++i)
        reversed[i] = args[count - 1 - i];
    DISPPARAMS params = {count ? reversed.data() : nullptr, nullptr, count, 0};
    DISPID named = DISPID_PROPERTYPUT;
    if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
        params.rgdispidNamedArgs = &named;
        params.cNamedArgs = 1;
    }
    EXCEPINFO local = {};
    hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result,
                        exception ? exception : &local, nullptr);
    FreeExceptionInfo(&local);
    return hr;
}

void FreeExceptionInfo(EXCEPINFO* exception)
{
    if (!exception)
        return;
    SysFreeString(exception->bstrSource);
    SysFreeString(exception->bstrDescription);
    SysFreeString(exception->bstrHelpFile);
    *exception = EXCEPINFO{};
}
