#include "test_calc.h"

namespace {

long g_nextId = 0;

}  // namespace

HRESULT CTestCalc::FinalConstruct()
{
    m_id = InterlockedIncrement(&g_nextId);
    return S_OK;
}

STDMETHODIMP CTestCalc::Add(long a, long b, long* sum)
{
    if (!sum)
        return E_POINTER;
    *sum = a + b;
    return S_OK;
}

STDMETHODIMP CTestCalc::Fail(BSTR description)
{
    return ReportComError(CLSID_TestCalc, description);
}

STDMETHODIMP CTestCalc::Fire(long n, BSTR text)
{
    CComVariant args[2];
    args[0].SetI4(n);
    args[1].SetText(text);
    return m_events.FireDispatch(1, args, 2);
}

STDMETHODIMP CTestCalc::InstanceId(long* id)
{
    if (!id)
        return E_POINTER;
    *id = m_id;
    return S_OK;
}

STDMETHODIMP CTestCalc::ModuleLockCount(long* count)
{
    if (!count)
        return E_POINTER;
    CComModule* module = GetComModule();
    *count = module ? module->GetLockCount() : -1;
    return S_OK;
}
