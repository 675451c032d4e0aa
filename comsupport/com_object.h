// COM object implementation: reference counting, the interface map and the final classes that
// give a class its IUnknown.
//
// A COM class derives from its interfaces (and helpers such as CDispatchImpl,
// CConnectionPointContainerImpl, CSupportErrorInfoImpl) and from CComObjectRootBase, declares
// its interface map and may override FinalConstruct/FinalRelease:
//
//     class CCalc : public CDispatchImpl<ICalc, &IID_ICalc, &LIBID_CalcLib>,
//                   public CComObjectRootBase {
//     public:
//         TOL_BEGIN_COM_MAP(CCalc)
//             TOL_COM_INTERFACE(IID_ICalc, ICalc)
//             TOL_COM_INTERFACE(IID_IDispatch, ICalc)
//         TOL_END_COM_MAP()
//         ...
//     };
//
// The first entry of the map also answers IUnknown. The class itself stays abstract; one of the
// final classes below implements IUnknown for it:
//   CComObject<T>          a plain object (no aggregation), deleted at its last release;
//   CComPolyObject<T>      an object that can be aggregated (or live on its own);
//   CComObjectSingleton<T> the one object of a singleton class object.
// Each live object of the first two kinds holds a lock on the binary's module.
#pragma once

#include <windows.h>
#include <objbase.h>

#include <cstddef>
#include <new>
#include <utility>

#include "ref_counted.h"

struct CComInterfaceEntry {
    const IID* iid;    // null ends the map
    ptrdiff_t offset;  // of the interface inside the class
};

// Offset of a base class inside a class, for the interface map.
#define TOL_BASE_OFFSET(cls, base) \
    (reinterpret_cast<ptrdiff_t>(static_cast<base*>(reinterpret_cast<cls*>(0x1000))) - 0x1000)

#define TOL_BEGIN_COM_MAP(cls)                         \
    using ComMapClass = cls;                           \
    static const CComInterfaceEntry* GetInterfaceMap() \
    {                                                  \
        static const CComInterfaceEntry entries[] = {
#define TOL_COM_INTERFACE(iid, itf) {&(iid), TOL_BASE_OFFSET(ComMapClass, itf)},
#define TOL_END_COM_MAP() \
    {                     \
        nullptr, 0        \
    }                     \
    }                     \
    ;                     \
    return entries;       \
    }

// The binary's module lock (a no-op while no module is initialised); see com_module.h.
long ComModuleLock();
long ComModuleUnlock();

class CComObjectRootBase {
public:
    HRESULT FinalConstruct() { return S_OK; }
    void FinalRelease() {}

    // Looks riid up in the map of the object at `object` (a pointer to the class that declared
    // the map); the first entry answers IUnknown. The interface found is AddRef'ed through itself.
    static HRESULT InternalQueryInterface(void* object, const CComInterfaceEntry* map, REFIID riid,
                                          void** ppv);

protected:
    template <class Object>
    friend HRESULT ComConstructObject(Object** out);

    ULONG InternalAddRef() { return static_cast<ULONG>(InterlockedIncrement(&m_refCount)); }
    ULONG InternalRelease() { return static_cast<ULONG>(InterlockedDecrement(&m_refCount)); }

    long m_refCount = 0;
};

// A new object of a final class with its FinalConstruct run (under a temporary reference, so
// that it may hand itself out meanwhile) and a reference count of 0.
template <class Object>
HRESULT ComConstructObject(Object** out)
{
    if (!out)
        return E_POINTER;
    *out = nullptr;
    auto* object = new (std::nothrow) Object();
    if (!object)
        return E_OUTOFMEMORY;
    object->InternalAddRef();
    HRESULT hr = object->FinalConstruct();
    object->InternalRelease();
    if (FAILED(hr)) {
        delete object;
        return hr;
    }
    *out = object;
    return S_OK;
}

// A plain, non-aggregatable object.
template <class T>
class CComObject final : public T {
public:
    CComObject() { ComModuleLock(); }
    ~CComObject()
    {
        this->FinalRelease();
        ComModuleUnlock();
    }
    CComObject(const CComObject&) = delete;
    CComObject& operator=(const CComObject&) = delete;

    STDMETHOD(QueryInterface)(REFIID riid, void** ppv) override
    {
        return CComObjectRootBase::InternalQueryInterface(static_cast<T*>(this),
                                                          T::GetInterfaceMap(), riid, ppv);
    }
    STDMETHOD_(ULONG, AddRef)() override { return this->InternalAddRef(); }
    STDMETHOD_(ULONG, Release)() override
    {
        ULONG n = this->InternalRelease();
        if (n == 0)
            delete this;
        return n;
    }

    // A new object with its FinalConstruct run and a reference count of 0.
    static HRESULT CreateInstance(CComObject<T>** out) { return ComConstructObject(out); }
};

// The class inside a CComPolyObject: its IUnknown goes to the controlling unknown (the outer
// object when aggregated, else the CComPolyObject itself).
template <class T>
class CComContainedObject : public T {
public:
    explicit CComContainedObject(IUnknown* controlling) : m_controlling(controlling) {}

    STDMETHOD(QueryInterface)(REFIID riid, void** ppv) override
    {
        return m_controlling->QueryInterface(riid, ppv);
    }
    STDMETHOD_(ULONG, AddRef)() override { return m_controlling->AddRef(); }
    STDMETHOD_(ULONG, Release)() override { return m_controlling->Release(); }

    IUnknown* GetControllingUnknown() const { return m_controlling; }

    using T::FinalConstruct;
    using T::FinalRelease;

private:
    IUnknown* m_controlling;
};

// An object that can be aggregated: it is itself the inner (non-delegating) IUnknown, counted
// as CRefCounted counts.
template <class T>
class CComPolyObject final : public CRefCounted<IUnknown> {
public:
    explicit CComPolyObject(IUnknown* outer) : m_contained(outer ? outer : this)
    {
        ComModuleLock();
    }
    ~CComPolyObject() override
    {
        m_contained.FinalRelease();
        ComModuleUnlock();
    }
    CComPolyObject(const CComPolyObject&) = delete;
    CComPolyObject& operator=(const CComPolyObject&) = delete;

    STDMETHOD(QueryInterface)(REFIID riid, void** ppv) override
    {
        if (!ppv)
            return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown)) {
            *ppv = static_cast<IUnknown*>(this);
            AddRef();
            return S_OK;
        }
        return CComObjectRootBase::InternalQueryInterface(static_cast<T*>(&m_contained),
                                                          T::GetInterfaceMap(), riid, ppv);
    }
    T* Object() { return &m_contained; }

    // A new object with its FinalConstruct run (under the new object's reference, so that it
    // may hand itself out meanwhile) and one reference, the caller's; outer may be null.
    static HRESULT CreateInstance(IUnknown* outer, CComPolyObject<T>** out)
    {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        auto* object = new (std::nothrow) CComPolyObject<T>(outer);
        if (!object)
            return E_OUTOFMEMORY;
        HRESULT hr = object->m_contained.FinalConstruct();
        if (FAILED(hr)) {
            delete object;
            return hr;
        }
        *out = object;
        return S_OK;
    }

private:
    CComContainedObject<T> m_contained;
};

// The one object of a singleton class object. The class object holds the first reference,
// which does not lock the module; every further reference (a client's) does.
template <class T>
class CComObjectSingleton final : public T {
public:
    CComObjectSingleton() = default;
    ~CComObjectSingleton() { this->FinalRelease(); }
    CComObjectSingleton(const CComObjectSingleton&) = delete;
    CComObjectSingleton& operator=(const CComObjectSingleton&) = delete;

    STDMETHOD(QueryInterface)(REFIID riid, void** ppv) override
    {
        return CComObjectRootBase::InternalQueryInterface(static_cast<T*>(this),
                                                          T::GetInterfaceMap(), riid, ppv);
    }
    STDMETHOD_(ULONG, AddRef)() override
    {
        ULONG n = this->InternalAddRef();
        if (n > 1)
            ComModuleLock();
        return n;
    }
    STDMETHOD_(ULONG, Release)() override
    {
        ULONG n = this->InternalRelease();
        if (n >= 1)
            ComModuleUnlock();
        else
            delete this;
        return n;
    }

    static HRESULT CreateInstance(CComObjectSingleton<T>** out) { return ComConstructObject(out); }
};

// Creators: the functions a class entry names to make a new object of a class.
using ComCreatorFunc = HRESULT (*)(IUnknown* outer, REFIID riid, void** ppv);

template <class Object>
HRESULT ComQueryNewObject(Object* object, REFIID riid, void** ppv)
{
    object->AddRef();
    HRESULT hr = object->QueryInterface(riid, ppv);
    object->Release();
    return hr;
}

// A plain class: aggregation is refused.
template <class T>
struct CComCreator {
    static HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** ppv)
    {
        if (!ppv)
            return E_POINTER;
        *ppv = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        CComObject<T>* object = nullptr;
        HRESULT hr = CComObject<T>::CreateInstance(&object);
        return SUCCEEDED(hr) ? ComQueryNewObject(object, riid, ppv) : hr;
    }
};

// An aggregatable class: with an outer object only IUnknown may be asked for.
template <class T>
struct CComAggregatableCreator {
    static HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** ppv)
    {
        if (!ppv)
            return E_POINTER;
        *ppv = nullptr;
        if (outer && !IsEqualIID(riid, IID_IUnknown))
            return CLASS_E_NOAGGREGATION;
        CComPolyObject<T>* object = nullptr;
        HRESULT hr = CComPolyObject<T>::CreateInstance(outer, &object);
        if (FAILED(hr))
            return hr;
        hr = object->QueryInterface(riid, ppv);
        object->Release();  // the creation's reference: the object lives on in *ppv, or goes
        return hr;
    }
};

// The object of a singleton class: the class object (ComFactoryKind::Singleton) calls this once
// for IUnknown and keeps that reference until the module ends.
template <class T>
struct CComSingletonCreator {
    static HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** ppv)
    {
        if (!ppv)
            return E_POINTER;
        *ppv = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        CComObjectSingleton<T>* object = nullptr;
        HRESULT hr = CComObjectSingleton<T>::CreateInstance(&object);
        if (FAILED(hr))
            return hr;
        hr = object->QueryInterface(riid, ppv);  // the first reference: no module lock
        if (FAILED(hr))
            delete object;
        return hr;
    }
};
