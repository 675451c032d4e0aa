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
//
// Code under test may hand the object to a thread of its own that lets go of it a moment after
// the test is done (a delivery thread ends after its queue was closed), so the object waits a
// while for its count to fall back to the test's own reference before it goes. What such a
// thread still calls by then is Release alone, which is this class's own: the derived
// stand-in's members may already be gone.
#pragma once

#include <windows.h>

#include "no_type_info_dispatch.h"

template <class Itf, const IID* Iid>
class CFakeDispatch : public CNoNamesDispatch<Itf> {
public:
    virtual ~CFakeDispatch()
    {
        for (int i = 0; i < 1000 && InterlockedCompareExchange(&m_ref, 0, 0) > 1; ++i)
            Sleep(10);
    }

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
