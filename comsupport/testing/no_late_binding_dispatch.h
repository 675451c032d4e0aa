// CNoLateBindingDispatch<Itf>: the IDispatch part of a stand-in object whose callers use its
// interface directly: no type information, no names, no late-bound calls.
#pragma once

#include "no_type_info_dispatch.h"

template <class Itf>
class CNoLateBindingDispatch : public CNoTypeInfoDispatch<Itf> {
public:
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override
    {
        return E_NOTIMPL;
    }
    STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                        UINT*) override
    {
        return E_NOTIMPL;
    }
};
