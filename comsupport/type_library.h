// Type libraries: registration from the module's TYPELIB resource, and type information for
// dispatch implementations, loaded by library identifier and version.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include "critical_section.h"

// The type library kept as TYPELIB resource `index` of the module (1: the module path itself).
HRESULT LoadModuleTypeLib(HMODULE module, ITypeLib** out, UINT index = 1);
HRESULT RegisterModuleTypeLib(HMODULE module, bool perUser = false, UINT index = 1);
HRESULT UnregisterModuleTypeLib(HMODULE module, bool perUser = false, UINT index = 1);

// Type information of one interface: loaded on first use from the registered library
// (LoadRegTypeLib of the identifier and version), else from the TYPELIB resource of the module
// this code is linked into, and kept until the binary's module ends.
class CComTypeInfoHolder {
public:
    CComTypeInfoHolder(const GUID* libId, WORD major, WORD minor, const IID* iid)
        : m_libId(libId), m_major(major), m_minor(minor), m_iid(iid)
    {
    }
    ~CComTypeInfoHolder();
    CComTypeInfoHolder(const CComTypeInfoHolder&) = delete;
    CComTypeInfoHolder& operator=(const CComTypeInfoHolder&) = delete;

    HRESULT GetTypeInfo(ITypeInfo** out);  // AddRef'ed
    void Clear();                          // drops the cached type information

    // The IDispatch methods on top of the type information: one type description (index 0).
    static HRESULT GetTypeInfoCount(UINT* count);
    HRESULT GetTypeInfo(UINT index, ITypeInfo** out);
    HRESULT GetIDsOfNames(LPOLESTR* names, UINT count, DISPID* ids);
    HRESULT Invoke(IDispatch* object, DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result,
                   EXCEPINFO* exception, UINT* argError);

private:
    static void ClearCallback(void* holder);

    const GUID* m_libId;
    WORD m_major;
    WORD m_minor;
    const IID* m_iid;
    CCriticalSection m_lock;
    ITypeInfo* m_info = nullptr;
    bool m_termRegistered = false;
};
