#include "quorin_agent_events.h"

bool CProxy_IQuorinAgentEvents::Open()
{
    if (!m_queue)
        m_queue = CDispatchEventQueue::Create(this);
    return m_queue != nullptr;
}

void CProxy_IQuorinAgentEvents::Close(DWORD milliseconds)
{
    if (m_queue)
        m_queue->Close(milliseconds);
    m_queue = nullptr;
}

bool CProxy_IQuorinAgentEvents::Flush(DWORD milliseconds)
{
    return !m_queue || m_queue->Flush(milliseconds);
}

HRESULT CProxy_IQuorinAgentEvents::Fire_StatusChanged(long status, VARIANT text)
{
    if (!m_queue)
        return E_UNEXPECTED;
    VARIANT args[2];
    VariantInit(&args[0]);
    V_VT(&args[0]) = VT_I4;
    V_I4(&args[0]) = status;
    args[1] = text;  // the queue keeps its own copy
    return m_queue->Post(kDispIdStatusChanged, args, 2) ? S_OK : E_OUTOFMEMORY;
}
