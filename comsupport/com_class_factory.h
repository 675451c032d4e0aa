// Class objects: CComClassFactory makes a new object per CreateInstance; CComClassFactorySingleton
// makes one object on the first request and hands that same object to every client.
//
// A class object's own references do not lock the module; LockServer does.
#pragma once

#include <windows.h>
#include <objbase.h>

#include "com_object.h"
#include "critical_section.h"
#include "ref_counted.h"

class CComClassFactory : public CRefCounted<IClassFactory> {
public:
    explicit CComClassFactory(ComCreatorFunc creator) : m_creator(creator) {}
    ~CComClassFactory() override = default;

    // A new class object with one reference.
    static HRESULT Create(ComCreatorFunc creator, bool singleton, IClassFactory** out);

    STDMETHOD(QueryInterface)(REFIID riid, void** ppv) override;
    STDMETHOD(CreateInstance)(IUnknown* outer, REFIID riid, void** ppv) override;
    STDMETHOD(LockServer)(BOOL lock) override;

protected:
    ComCreatorFunc m_creator;
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
