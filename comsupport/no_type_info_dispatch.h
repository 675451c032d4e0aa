// CNoTypeInfoDispatch<Itf>: the type-information half of IDispatch for an object that offers
// no type information (an event sink, an object that answers names itself).
#pragma once

#include <windows.h>
#include <oaidl.h>

template <class Itf = IDispatch>
class CNoTypeInfoDispatch : public Itf {
public:
    STDMETHOD(GetTypeInfoCount)(UINT* count) override
    {
        if (!count)
            return E_POINTER;
        *count = 0;
        return S_OK;
    }
    STDMETHOD(GetTypeInfo)(UINT, LCID, ITypeInfo** info) override
    {
        if (info)
            *info = nullptr;
        return E_NOTIMPL;
    }
};
