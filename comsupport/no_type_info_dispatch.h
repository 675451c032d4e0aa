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

// CNoNamesDispatch<Itf>: all of IDispatch for a stand-in object whose callers use its interface
// directly: no type information, no names, no late-bound calls.
template <class Itf = IDispatch>
class CNoNamesDispatch : public CNoTypeInfoDispatch<Itf> {
public:
    STDMETHOD(GetIDsOfNames)(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHOD(Invoke)(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override
    {
        return E_NOTIMPL;
    }
};
