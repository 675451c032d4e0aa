#include "quorin_agent_sink.h"

#include "ie_connecter.h"

#include <new>

CQuorinAgentSink* CQuorinAgentSink::Create(CIEConnecter* connecter)
{
    return new (std::nothrow) CQuorinAgentSink(connecter);
}

// Every interface handed out counts as a reference, so whoever holds one keeps the sink.
STDMETHODIMP CQuorinAgentSink::QueryInterface(REFIID riid, void** ppv)
{
    HRESULT hr = CDispEventSink::QueryInterface(riid, ppv);
    if (SUCCEEDED(hr))
        AddRef();
    return hr;
}

STDMETHODIMP_(ULONG) CQuorinAgentSink::AddRef()
{
    return static_cast<ULONG>(InterlockedIncrement(&m_ref));
}

STDMETHODIMP_(ULONG) CQuorinAgentSink::Release()
{
    ULONG n = static_cast<ULONG>(InterlockedDecrement(&m_ref));
    if (n == 0)
        delete this;
    return n;
}

HRESULT CQuorinAgentSink::OnTestListChanged(long)
{
    return E_NOTIMPL;
}

HRESULT CQuorinAgentSink::OnStatusChanged(long newStatus, VARIANT StatusDesc)
{
    // The call holds the sink: a client that releases its connector from its handler on this
    // thread detaches and releases the sink while the event is still on its way out.
    AddRef();
    {
        CScopedLock lock(m_connecterLock);
        if (m_connecter)
            m_connecter->FireStatusChanged(newStatus, StatusDesc);
    }
    Release();
    return S_OK;
}

void CQuorinAgentSink::Detach()
{
    CScopedLock lock(m_connecterLock);
    m_connecter = nullptr;
}
