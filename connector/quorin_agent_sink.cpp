#include "quorin_agent_sink.h"

#include "ie_connecter.h"

#include <new>

CQuorinAgentSink* CQuorinAgentSink::Create(CIEConnecter* connecter)
{
    return new (std::nothrow) CQuorinAgentSink(connecter);
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
