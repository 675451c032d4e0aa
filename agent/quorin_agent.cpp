#include "quorin_agent.h"

#include "automation_arguments.h"
#include "heap_helpers.h"
#include "utf8_bstr.h"

CMainWorker* CQuorinAgent::s_engine = nullptr;

namespace {

// The live object, for FlushEvents (one per program: its class object is a singleton).
CQuorinAgent* g_liveAgent = nullptr;

struct LiveAgentLockTag;
CCriticalSection& LiveAgentLock()
{
    return ProcessLifetimeLock<LiveAgentLockTag>();
}

// How long a leaving object still delivers what its clients were sent.
constexpr DWORD kCloseFlushMilliseconds = 5000;

char* ToUtf8(const VARIANT& text)
{
    return WideToMultiByteAlloc(V_BSTR(&text), CP_UTF8);
}

}  // namespace

CMainWorker* CQuorinAgent::Engine()
{
    return s_engine && CMainWorker::IsWorkerAlive() ? s_engine : nullptr;
}

bool CQuorinAgent::FlushEvents(DWORD milliseconds)
{
    CScopedLock lock(LiveAgentLock());
    return !g_liveAgent || g_liveAgent->m_events.Flush(milliseconds);
}

HRESULT CQuorinAgent::FinalConstruct()
{
    if (!m_events.Open())
        return E_OUTOFMEMORY;
    if (CMainWorker* engine = Engine()) {
        engine->AddAgentObject(this);
        m_joined = true;
    }
    CScopedLock lock(LiveAgentLock());
    g_liveAgent = this;
    return S_OK;
}

void CQuorinAgent::FinalRelease()
{
    {
        CScopedLock lock(LiveAgentLock());
        if (g_liveAgent == this)
            g_liveAgent = nullptr;
    }
    if (m_joined) {
        if (CMainWorker* engine = Engine())
            engine->RemoveAgentObject(this);
    }
    m_events.Close(kCloseFlushMilliseconds);
}

HRESULT CQuorinAgent::Fire_StatusChanged(long status, VARIANT text)
{
    return m_events.Fire_StatusChanged(status, text);
}

HRESULT CQuorinAgent::Fail(const wchar_t* text)
{
    return ReportComError(CLSID_QuorinAgent, text);
}

HRESULT CQuorinAgent::HandOutText(char* text, VARIANT* out)
{
    if (!out) {
        FreeHeapBlock(text);
        return E_POINTER;
    }
    BSTR wide = text ? Utf8ToBstr(text) : SysAllocString(L"");
    FreeHeapBlock(text);
    if (!wide)
        return E_OUTOFMEMORY;
    VariantClear(out);
    V_VT(out) = VT_BSTR;
    V_BSTR(out) = wide;
    return S_OK;
}

HRESULT CQuorinAgent::WorkResult(bool done, wchar_t* error)
{
    HRESULT hr = done ? S_OK : Fail(error ? error : L"");
    FreeHeapBlock(error);
    return hr;
}

STDMETHODIMP CQuorinAgent::StartWork()
{
    CMainWorker* engine = Engine();
    if (!engine)
        return E_UNEXPECTED;
    wchar_t* error = nullptr;
    bool done = engine->StartWork(&error);
    return WorkResult(done, error);
}

STDMETHODIMP CQuorinAgent::StopWork()
{
    CMainWorker* engine = Engine();
    if (!engine)
        return E_UNEXPECTED;
    wchar_t* error = nullptr;
    bool done = engine->StopMonitoring(&error);
    return WorkResult(done, error);
}

STDMETHODIMP CQuorinAgent::GetStatus(long* status)
{
    if (!status)
        return E_POINTER;
    CMainWorker* engine = Engine();
    *status = engine ? engine->GetLastStatus() : STATUS_STOPPED;
    return S_OK;
}

STDMETHODIMP CQuorinAgent::GetCurrentTestsList(long, VARIANT*)
{
    return S_OK;
}

STDMETHODIMP CQuorinAgent::Register(VARIANT newEMail, VARIANT newName, VARIANT newPassword)
{
    if (const wchar_t* error = CheckRegisterArguments(newEMail, newName, newPassword))
        return Fail(error);
    CMainWorker* engine = Engine();
    if (!engine)
        return E_UNEXPECTED;
    char* eMail = ToUtf8(newEMail);
    char* name = ToUtf8(newName);
    char* password = ToUtf8(newPassword);
    bool done = eMail && name && password && engine->RegisterAgent(eMail, name, password);
    SecureZeroMemory(password, password ? strlen(password) : 0);
    FreeHeapBlock(eMail);
    FreeHeapBlock(name);
    FreeHeapBlock(password);
    return done ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP CQuorinAgent::GetRegisteredEMail(VARIANT* regEMail)
{
    CMainWorker* engine = Engine();
    return HandOutText(engine ? engine->CopyEMail() : nullptr, regEMail);
}

STDMETHODIMP CQuorinAgent::GetRegisteredName(VARIANT* regName)
{
    CMainWorker* engine = Engine();
    return HandOutText(engine ? engine->CopyAgentName() : nullptr, regName);
}

STDMETHODIMP CQuorinAgent::UnRegister()
{
    if (CMainWorker* engine = Engine())
        engine->ClearRegistration();
    return S_OK;
}

STDMETHODIMP CQuorinAgent::SetProxy(VARIANT newProxy)
{
    if (const wchar_t* error = CheckProxyArgument(newProxy))
        return Fail(error);
    CMainWorker* engine = Engine();
    if (!engine)
        return E_UNEXPECTED;
    if (SysStringLen(V_BSTR(&newProxy)) == 0) {
        engine->SetProxyServer(nullptr);
        return S_OK;
    }
    char* proxy = ToUtf8(newProxy);
    if (!proxy)
        return E_OUTOFMEMORY;
    engine->SetProxyServer(proxy);
    FreeHeapBlock(proxy);
    return S_OK;
}

STDMETHODIMP CQuorinAgent::GetProxy(VARIANT* currProxy)
{
    CMainWorker* engine = Engine();
    return HandOutText(engine ? engine->CopyProxy() : nullptr, currProxy);
}

STDMETHODIMP CQuorinAgent::IsTraceOn(VARIANT_BOOL* traceOn)
{
    if (!traceOn)
        return E_POINTER;
    CMainWorker* engine = Engine();
    *traceOn = engine && engine->IsTraceFlagOn() ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

STDMETHODIMP CQuorinAgent::SetTrace(VARIANT_BOOL trace)
{
    if (CMainWorker* engine = Engine())
        engine->SetTraceFlag(trace == VARIANT_TRUE);
    return S_OK;
}
