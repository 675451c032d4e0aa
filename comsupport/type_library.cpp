#include "type_library.h"

#include <cwchar>

#include "com_module.h"

// Per-user registration of oleaut32, which the toolchain's headers do not declare.
extern "C" {
HRESULT WINAPI RegisterTypeLibForUser(ITypeLib* lib, OLECHAR* path, OLECHAR* helpDir);
HRESULT WINAPI UnRegisterTypeLibForUser(REFGUID libId, WORD major, WORD minor, LCID lcid,
                                        SYSKIND syskind);
}

namespace {

bool ModulePath(HMODULE module, UINT index, wchar_t* path, size_t size)
{
    DWORD n = GetModuleFileNameW(module, path, static_cast<DWORD>(size));
    if (n == 0 || n + 12 >= size)
        return false;
    if (index > 1)
        swprintf(path + n, size - n, L"\\%u", index);
    return true;
}

// The binary this code is linked into.
HMODULE OwnModule()
{
    CComModule* module = GetComModule();
    if (module && module->GetModuleInstance())
        return module->GetModuleInstance();
    HMODULE own = nullptr;
    GetModuleHandleExW(
        GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
        reinterpret_cast<LPCWSTR>(&OwnModule), &own);
    return own;
}

}  // namespace

HRESULT LoadModuleTypeLib(HMODULE module, ITypeLib** out, UINT index)
{
    if (!out)
        return E_POINTER;
    *out = nullptr;
    wchar_t path[MAX_PATH * 2 + 16];
    if (!ModulePath(module, index, path, MAX_PATH * 2 + 16))
        return HRESULT_FROM_WIN32(GetLastError());
    return LoadTypeLibEx(path, REGKIND_NONE, out);
}

HRESULT RegisterModuleTypeLib(HMODULE module, bool perUser, UINT index)
{
    wchar_t path[MAX_PATH * 2 + 16];
    if (!ModulePath(module, index, path, MAX_PATH * 2 + 16))
        return HRESULT_FROM_WIN32(GetLastError());
    ITypeLib* lib = nullptr;
    HRESULT hr = LoadTypeLibEx(path, REGKIND_NONE, &lib);
    if (FAILED(hr))
        return hr;
    hr = perUser ? RegisterTypeLibForUser(lib, path, nullptr) : RegisterTypeLib(lib, path, nullptr);
    lib->Release();
    return hr;
}

HRESULT UnregisterModuleTypeLib(HMODULE module, bool perUser, UINT index)
{
    ITypeLib* lib = nullptr;
    HRESULT hr = LoadModuleTypeLib(module, &lib, index);
    if (FAILED(hr))
        return hr;
    TLIBATTR* attr = nullptr;
    hr = lib->GetLibAttr(&attr);
    if (SUCCEEDED(hr)) {
        TLIBATTR a = *attr;
        lib->ReleaseTLibAttr(attr);
        hr = perUser ? UnRegisterTypeLibForUser(a.guid, a.wMajorVerNum, a.wMinorVerNum, a.lcid,
                                                a.syskind)
                     : UnRegisterTypeLib(a.guid, a.wMajorVerNum, a.wMinorVerNum, a.lcid, a.syskind);
        // A library that is not registered is what unregistration wants.
        if (hr == TYPE_E_REGISTRYACCESS || hr == TYPE_E_LIBNOTREGISTERED)
            hr = S_OK;
    }
    lib->Release();
    return hr;
}

CComTypeInfoHolder::~CComTypeInfoHolder()
{
    // Released by the module's Term; at program end the system takes the rest.
}

void CComTypeInfoHolder::ClearCallback(void* holder)
{
    static_cast<CComTypeInfoHolder*>(holder)->Clear();
}

void CComTypeInfoHolder::Clear()
{
    ITypeInfo* info = nullptr;
    {
        CScopedLock lock(m_lock);
        info = m_info;
        m_info = nullptr;
        m_termRegistered = false;
    }
    if (info)
        info->Release();
}

HRESULT CComTypeInfoHolder::GetTypeInfo(ITypeInfo** out)
{
    if (!out)
        return E_POINTER;
    *out = nullptr;
    CScopedLock lock(m_lock);
    if (!m_info) {
        ITypeLib* lib = nullptr;
        HRESULT hr = LoadRegTypeLib(*m_libId, m_major, m_minor, LOCALE_NEUTRAL, &lib);
        if (FAILED(hr)) {
            HRESULT fallback = LoadModuleTypeLib(OwnModule(), &lib);
            if (FAILED(fallback))
                return hr;
        }
        hr = lib->GetTypeInfoOfGuid(*m_iid, &m_info);
        lib->Release();
        if (FAILED(hr)) {
            m_info = nullptr;
            return hr;
        }
        CComModule* module = GetComModule();
        if (module && !m_termRegistered) {
            module->AddTermFunc(&CComTypeInfoHolder::ClearCallback, this);
            m_termRegistered = true;
        }
    }
    m_info->AddRef();
    *out = m_info;
    return S_OK;
}

HRESULT CComTypeInfoHolder::GetTypeInfoCount(UINT* count)
{
    if (!count)
        return E_POINTER;
    *count = 1;
    return S_OK;
}

HRESULT CComTypeInfoHolder::GetTypeInfo(UINT index, ITypeInfo** out)
{
    if (!out)
        return E_POINTER;
    *out = nullptr;
    if (index != 0)
        return DISP_E_BADINDEX;
    return GetTypeInfo(out);
}

HRESULT CComTypeInfoHolder::GetIDsOfNames(LPOLESTR* names, UINT count, DISPID* ids)
{
    ITypeInfo* info = nullptr;
    HRESULT hr = GetTypeInfo(&info);
    if (FAILED(hr))
        return hr;
    hr = info->GetIDsOfNames(names, count, ids);
    info->Release();
    return hr;
}

HRESULT CComTypeInfoHolder::Invoke(IDispatch* object, DISPID id, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* exception, UINT* argError)
{
    ITypeInfo* info = nullptr;
    HRESULT hr = GetTypeInfo(&info);
    if (FAILED(hr))
        return hr;
    hr = info->Invoke(object, id, flags, params, result, exception, argError);
    info->Release();
    return hr;
}
