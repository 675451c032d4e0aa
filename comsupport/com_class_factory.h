// Class objects: CComClassFactory makes a new object per CreateInstance; CComClassFactorySingleton
// makes one object on the first request and hands that same object to every client.
//
// A class object's own references do not lock the module; LockServer does.
#pragma once

#include <windows.h>
#include <objbase.h>

#include "com_object.h"
#include "critical_section.h"

class CComClassFactory : public IClassFactory {
public:
    explicit CComClassFactory(ComCreatorFunc creator) : m_creator(creator) {}
    virtual ~CComClassFactory() = default;
    CComClassFactory(const CComClassFactory&) = delete;
    CComClassFactory& operator=(const CComClassFactory&) = delete;

    // A new class object with one reference.
    static HRESULT Create(ComCreatorFunc creator, bool singleton, IClassFactory** out);

    STDMETHOD(QueryInterface)(REFIID riid, void** ppv) override;
    STDMETHOD_(ULONG, AddRef)() override;
    STDMETHOD_(ULONG, Release)() override;
    STDMETHOD(CreateInstance)(IUnknown* outer, REFIID riid, void** ppv) override;
    STDMETHOD(LockServer)(BOOL lock) override;

protected:
    ComCreatorFunc m_creator;

private:
    long m_ref = 0;
};

class CComClassFactorySingleton : public CComClassFactory {
public:
    using CComClassFactory::CComClassFactory;
    ~CComClassFactorySingleton() override;

    // Aggregation is refused; the object is made on the first call and kept until the class
    // object goes.
    STDMETHOD(CreateInstance)(IUnknown* outer, REFIID riid, void** ppv) override;

private:
    CCriticalSection m_lock;
    IUnknown* m_instance = nullptr;
};
