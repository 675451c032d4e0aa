// CDispatchImpl: IDispatch of a dual interface, answered from its type library.
//
//     class CCalc : public CDispatchImpl<ICalc, &IID_ICalc, &LIBID_CalcLib, 1, 0>, ...
//
// The type information is loaded by library identifier and version (the registered library),
// falling back to the TYPELIB resource of the binary; Invoke goes through ITypeInfo::Invoke on
// the interface's own methods.
#pragma once

#include "type_library.h"

template <class Base, const IID* Iid, const GUID* LibId, WORD Major = 1, WORD Minor = 0>
class CDispatchImpl : public Base {
public:
    STDMETHOD(GetTypeInfoCount)(UINT* count) override
    {
        return CComTypeInfoHolder::GetTypeInfoCount(count);
    }
    STDMETHOD(GetTypeInfo)(UINT index, LCID, ITypeInfo** info) override
    {
        return TypeInfo().GetTypeInfo(index, info);
    }
    STDMETHOD(GetIDsOfNames)(REFIID riid, LPOLESTR* names, UINT count, LCID, DISPID* ids) override
    {
        if (!IsEqualIID(riid, IID_NULL))
            return DISP_E_UNKNOWNINTERFACE;
        return TypeInfo().GetIDsOfNames(names, count, ids);
    }
    STDMETHOD(Invoke)
    (DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
     EXCEPINFO* exception, UINT* argError) override
    {
        if (!IsEqualIID(riid, IID_NULL))
            return DISP_E_UNKNOWNINTERFACE;
        return TypeInfo().Invoke(static_cast<Base*>(this), id, flags, params, result, exception,
                                 argError);
    }

    static CComTypeInfoHolder& TypeInfo()
    {
        static CComTypeInfoHolder holder(LibId, Major, Minor, Iid);
        return holder;
    }
};
