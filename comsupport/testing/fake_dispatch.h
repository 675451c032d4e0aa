// CFakeDispatch: the IUnknown and IDispatch plumbing of a test's stand-in object (an event
// sink, a fake plug-in) that lives on the test's stack or in its fixture.
//
//     class CSink : public CFakeDispatch<IDispatch, &DIID__IQuorinAgentEvents> {
//         STDMETHODIMP Invoke(...) override { ... }
//     };
//
// It answers IUnknown, IDispatch and the given interface with itself; its reference count is
// kept for tests to read (m_ref) but never deletes the object. Type information and names are
// not offered; Invoke is E_NOTIMPL unless the test overrides it.
#pragma once

#include "no_type_info_dispatch.h"

template <class Itf, const IID* Iid>
class CFakeDispatch : public CNoNamesDispatch<Itf> {
public:
    virtual ~CFakeDispatch() = default;

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        if (!ppv)
            return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) ||
            IsEqualIID(riid, *Iid)) {
            *ppv = static_cast<Itf*>(this);
            this->AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&m_ref); }
    STDMETHODIMP_(ULONG) Release() override { return InterlockedDecrement(&m_ref); }

    long m_ref = 1;
};
