#include "status_sink.h"

#include "client_output.h"
#include "com_variant.h"
#include "dispatch_call.h"

#include <TolvaneLib.h>

#include <vector>

CStatusSink::CStatusSink()
    : m_events(DIID__IQuorinAgentEvents),
      m_never(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      m_arrived(CreateEventW(nullptr, FALSE, FALSE, nullptr))
{
}

CStatusSink::~CStatusSink()
{
    if (m_agent)
        m_agent->Release();
}

STDMETHODIMP CStatusSink::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) ||
        IsEqualIID(riid, m_events)) {
        *ppv = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP CStatusSink::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*)
{
    return E_NOTIMPL;
}

STDMETHODIMP CStatusSink::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*,
                                 EXCEPINFO*, UINT*)
{
    if (id != 2 || !params || params->cArgs != 2)
        return S_OK;
    // Arguments arrive reversed: [0] StatusDesc, [1] newStatus.
    if (m_hung)
        WaitForSingleObject(m_never.Get(), INFINITE);
    CComVariant status;
    if (FAILED(status.ChangeType(VT_I4, &params->rgvarg[1])))
        return DISP_E_TYPEMISMATCH;
    if (!m_quiet)
        PrintLine(L"event " + std::to_wstring(V_I4(&status)) + L" " +
                  DescribeValue(params->rgvarg[0]));
    CallBack(V_I4(&status));
    {
        CScopedLock lock(m_lock);
        ++m_seen[V_I4(&status)];
    }
    SetEvent(m_arrived.Get());
    return S_OK;
}

void CStatusSink::SetReentry(IDispatch* agent, const std::wstring& method,
                             const std::vector<CComVariant>& args)
{
    if (agent)
        agent->AddRef();
    CScopedLock lock(m_lock);
    if (m_agent)
        m_agent->Release();
    m_agent = agent;
    m_reentry = method;
    m_reentryArgs = args;
}

void CStatusSink::CallBack(long status)
{
    IDispatch* agent = nullptr;
    std::wstring method;
    std::vector<CComVariant> args;
    {
        CScopedLock lock(m_lock);
        agent = m_agent;
        method = m_reentry;
        args = m_reentryArgs;
        if (agent)
            agent->AddRef();
    }
    if (!agent)
        return;
    if (!method.empty())
        CallAgent(agent, L"handler " + std::to_wstring(status), method, args.data(),
                  static_cast<UINT>(args.size()));
    agent->Release();
}

bool CStatusSink::WaitFor(long status, DWORD milliseconds)
{
    ULONGLONG end = GetTickCount64() + milliseconds;
    for (;;) {
        {
            CScopedLock lock(m_lock);
            if (m_seen[status] > m_taken[status]) {
                ++m_taken[status];
                return true;
            }
        }
        ULONGLONG now = GetTickCount64();
        if (now >= end)
            return false;
        WaitForSingleObject(m_arrived.Get(), static_cast<DWORD>(end - now));
    }
}

void CStatusSink::Hang()
{
    InterlockedExchange(&m_hung, 1);
}

void CStatusSink::Quiet()
{
    InterlockedExchange(&m_quiet, 1);
}

int CStatusSink::WaitForCount(long status, int count, DWORD milliseconds)
{
    ULONGLONG end = GetTickCount64() + milliseconds;
    for (;;) {
        int seen;
        {
            CScopedLock lock(m_lock);
            seen = m_seen[status];
        }
        ULONGLONG now = GetTickCount64();
        if (seen >= count || now >= end)
            return seen;
        WaitForSingleObject(m_arrived.Get(), static_cast<DWORD>(end - now < 100 ? end - now : 100));
    }
}

HRESULT CallAgentQuietly(IDispatch* agent, const std::wstring& method, VARIANT* args, UINT count)
{
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR name = const_cast<LPOLESTR>(method.c_str());
    HRESULT hr = agent->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(hr))
        return hr;
    std::vector<VARIANT> reversed(count);
    for (UINT i = 0; i < count; ++i)
        reversed[i] = args[count - 1 - i];
    DISPPARAMS params = {count ? reversed.data() : nullptr, nullptr, count, 0};
    CComVariant result;
    EXCEPINFO exception = {};
    hr = agent->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, &result,
                       &exception, nullptr);
    if (hr == DISP_E_EXCEPTION)
        hr = exception.scode;
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrHelpFile);
    return hr;
}

HRESULT CallAgent(IDispatch* agent, const std::wstring& prefix, const std::wstring& method,
                  VARIANT* args, UINT count)
{
    CComVariant result;
    EXCEPINFO exception = {};
    HRESULT hr =
        InvokeByName(agent, method.c_str(), DISPATCH_METHOD, args, count, &result, &exception);
    std::wstring line =
        prefix + L" " + method + L" hr=" + HexResult(hr == DISP_E_EXCEPTION ? exception.scode : hr);
    if (SUCCEEDED(hr) && V_VT(&result) != VT_EMPTY)
        line += L" value=" + DescribeValue(result);
    if (FAILED(hr))
        line += DescribeFailure(hr, exception);
    PrintLine(line);
    FreeExceptionInfo(&exception);
    return hr;
}
