// CProvideClassInfo2Impl: the class information of a coclass from its type library, and the
// identifier of its default source interface (what script hosts ask to hook events).
#pragma once

#include <windows.h>
#include <ocidl.h>

#include "type_library.h"

template <const CLSID* Clsid, const IID* SourceIid, const GUID* LibId, WORD Major = 1,
          WORD Minor = 0>
class CProvideClassInfo2Impl : public IProvideClassInfo2 {
public:
    STDMETHOD(GetClassInfo)(ITypeInfo** info) override
    {
        if (!info)
            return E_POINTER;
        *info = nullptr;
        return ClassTypeInfo().GetTypeInfo(info);
    }
    STDMETHOD(GetGUID)(DWORD kind, GUID* guid) override
    {
        if (!guid)
            return E_POINTER;
        if (kind != GUIDKIND_DEFAULT_SOURCE_DISP_IID) {
            *guid = GUID_NULL;
            return E_INVALIDARG;
        }
        *guid = *SourceIid;
        return S_OK;
    }

private:
    static CComTypeInfoHolder& ClassTypeInfo()
    {
        static CComTypeInfoHolder holder(LibId, Major, Minor, Clsid);
        return holder;
    }
};
