// CComPtr<T>: the owner of one interface reference.
#pragma once

#include <windows.h>
#include <objbase.h>

template <class T>
class CComPtr {
public:
    CComPtr() = default;
    CComPtr(T* p) : m_p(p)
    {
        if (m_p)
            m_p->AddRef();
    }
    CComPtr(const CComPtr& other) : CComPtr(other.m_p) {}
    CComPtr(CComPtr&& other) noexcept : m_p(other.m_p) { other.m_p = nullptr; }
    ~CComPtr() { Release(); }

    CComPtr& operator=(T* p)
    {
        if (p)
            p->AddRef();
        Release();
        m_p = p;
        return *this;
    }
    CComPtr& operator=(const CComPtr& other) { return *this = other.m_p; }
    CComPtr& operator=(CComPtr&& other) noexcept
    {
        if (this != &other) {
            Release();
            m_p = other.m_p;
            other.m_p = nullptr;
        }
        return *this;
    }

    operator T*() const { return m_p; }
    T* operator->() const { return m_p; }
    T* Get() const { return m_p; }
    bool operator!() const { return m_p == nullptr; }

    // The slot for an out parameter; what was held is released first.
    T** operator&() { return Receive(); }
    T** Receive()
    {
        Release();
        return &m_p;
    }
    void** ReceiveVoid() { return reinterpret_cast<void**>(Receive()); }

    void Release()
    {
        T* p = m_p;
        m_p = nullptr;
        if (p)
            p->Release();
    }
    void Attach(T* p)  // takes over a reference
    {
        Release();
        m_p = p;
    }
    T* Detach()
    {
        T* p = m_p;
        m_p = nullptr;
        return p;
    }
    HRESULT CopyTo(T** out) const
    {
        if (!out)
            return E_POINTER;
        *out = m_p;
        if (m_p)
            m_p->AddRef();
        return S_OK;
    }

    HRESULT QueryInterface(REFIID iid, void** out) const
    {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        return m_p ? m_p->QueryInterface(iid, out) : E_POINTER;
    }
    template <class Q>
    HRESULT QueryTo(REFIID iid, CComPtr<Q>* out) const
    {
        if (!out)
            return E_POINTER;
        return QueryInterface(iid, out->ReceiveVoid());
    }
    // With a CComPtr<Q> q, &q is its Q** slot (released first).
    template <class Q>
    HRESULT QueryTo(REFIID iid, Q** out) const
    {
        return QueryInterface(iid, reinterpret_cast<void**>(out));
    }
    HRESULT CoCreateInstance(REFCLSID clsid, REFIID iid, IUnknown* outer = nullptr,
                             DWORD context = CLSCTX_ALL)
    {
        return ::CoCreateInstance(clsid, outer, context, iid, ReceiveVoid());
    }

private:
    T* m_p = nullptr;
};
