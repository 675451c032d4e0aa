#include "ie_connecter.h"

#include "quorin_agent_sink.h"

HRESULT CIEConnecter::FinalConstruct()
{
    m_connected = false;
    m_agent = nullptr;
    m_sink = nullptr;
    m_connected = ConnectToAgent();
    return S_OK;
}

bool CIEConnecter::ConnectToAgent()
{
    if (m_connected)
        return false;
    HRESULT hr = CoCreateInstance(CLSID_QuorinAgent, nullptr, CLSCTX_LOCAL_SERVER, IID_IQuorinAgent,
                                  reinterpret_cast<void**>(&m_agent));
    if (FAILED(hr) || !m_agent) {
        m_agent = nullptr;
        return false;
    }
    m_sink = CQuorinAgentSink::Create(this);
    if (m_sink)
        m_sink->DispEventAdvise(m_agent);  // without events the methods still work
    return true;
}

void CIEConnecter::FinalRelease()
{
    if (m_sink) {
        m_sink->Detach();  // waits for an event being handed on
        if (m_sink->IsAdvised())
            m_sink->DispEventUnadvise(m_agent);
        m_sink->Release();
        m_sink = nullptr;
    }
    if (m_agent) {
        m_agent->Release();
        m_agent = nullptr;
    }
    m_connected = false;
}

IQuorinAgent* CIEConnecter::Agent() const
{
    if (!m_connected || !m_agent) {
        SetErrorInfo(0, nullptr);
        return nullptr;
    }
    return m_agent;
}

STDMETHODIMP CIEConnecter::StartWork()
{
    IQuorinAgent* agent = Agent();
    return agent ? agent->StartWork() : E_FAIL;
}

STDMETHODIMP CIEConnecter::StopWork()
{
    IQuorinAgent* agent = Agent();
    return agent ? agent->StopWork() : E_FAIL;
}

STDMETHODIMP CIEConnecter::GetStatus(long* newStatus)
{
    IQuorinAgent* agent = Agent();
    return agent ? agent->GetStatus(newStatus) : E_FAIL;
}

STDMETHODIMP CIEConnecter::GetCurrentTestsList(long testType, VARIANT* testsList)
{
    IQuorinAgent* agent = Agent();
    return agent ? agent->GetCurrentTestsList(testType, testsList) : E_FAIL;
}

STDMETHODIMP CIEConnecter::Register(VARIANT newEMail, VARIANT newName, VARIANT newPassword)
{
    IQuorinAgent* agent = Agent();
    return agent ? agent->Register(newEMail, newName, newPassword) : E_FAIL;
}

STDMETHODIMP CIEConnecter::GetRegisteredEMail(VARIANT* regEMail)
{
    IQuorinAgent* agent = Agent();
    return agent ? agent->GetRegisteredEMail(regEMail) : E_FAIL;
}

STDMETHODIMP CIEConnecter::GetRegisteredName(VARIANT* regName)
{
    IQuorinAgent* agent = Agent();
    return agent ? agent->GetRegisteredName(regName) : E_FAIL;
}

STDMETHODIMP CIEConnecter::UnRegister()
{
    IQuorinAgent* agent = Agent();
    return agent ? agent->UnRegister() : E_FAIL;
}

STDMETHODIMP CIEConnecter::SetProxy(VARIANT newProxy)
{
    IQuorinAgent* agent = Agent();
    return agent ? agent->SetProxy(newProxy) : E_FAIL;
}

STDMETHODIMP CIEConnecter::GetProxy(VARIANT* currProxy)
{
    IQuorinAgent* agent = Agent();
    return agent ? agent->GetProxy(currProxy) : E_FAIL;
}

STDMETHODIMP CIEConnecter::IsTraceOn(VARIANT_BOOL* traceOn)
{
    IQuorinAgent* agent = Agent();
    return agent ? agent->IsTraceOn(traceOn) : E_FAIL;
}

STDMETHODIMP CIEConnecter::SetTrace(VARIANT_BOOL trace)
{
    IQuorinAgent* agent = Agent();
    return agent ? agent->SetTrace(trace) : E_FAIL;
}
