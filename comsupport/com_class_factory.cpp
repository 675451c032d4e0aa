#include "com_class_factory.h"

#include <new>

HRESULT CComClassFactory::Create(ComCreatorFunc creator, bool singleton, IClassFactory** out)
{
    if (!out)
        return E_POINTER;
    *out = nullptr;
    if (!creator)
        return E_INVALIDARG;
    CComClassFactory* factory = singleton ? new (std::nothrow) CComClassFactorySingleton(creator)
                                          : new (std::nothrow) CComClassFactory(creator);
    if (!factory)
        return E_OUTOFMEMORY;
    *out = factory;
    return S_OK;
}

STDMETHODIMP CComClassFactory::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) {
        *ppv = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP CComClassFactory::CreateInstance(IUnknown* outer, REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    return m_creator(outer, riid, ppv);
}

STDMETHODIMP CComClassFactory::LockServer(BOOL lock)
{
    if (lock)
        ComModuleLock();
    else
        ComModuleUnlock();
    return S_OK;
}

CComClassFactorySingleton::~CComClassFactorySingleton()
{
    if (m_instance)
        m_instance->Release();
}

STDMETHODIMP CComClassFactorySingleton::CreateInstance(IUnknown* outer, REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    if (outer)
        return CLASS_E_NOAGGREGATION;
    IUnknown* instance = nullptr;
    {
        CScopedLock lock(m_lock);
        if (!m_instance) {
            HRESULT hr = m_creator(nullptr, IID_IUnknown, reinterpret_cast<void**>(&m_instance));
            if (FAILED(hr)) {
                m_instance = nullptr;
                return hr;
            }
        }
        instance = m_instance;
    }
    return instance->QueryInterface(riid, ppv);
}
