// CTestCalc: the class of the test servers (in-process TestCalc, local-server TestSingleton).
#pragma once

#include "comsupport.h"
#include "comsupport_test.h"

class CTestCalc : public CDispatchImpl<ITestCalc, &IID_ITestCalc, &LIBID_ComTestLib, 1, 0>,
                  public CConnectionPointContainerImpl,
                  public CSupportErrorInfoImpl<&IID_ITestCalc>,
                  public CComObjectRootBase {
public:
    CTestCalc() { RegisterConnectionPoint(&m_events); }

    TOL_BEGIN_COM_MAP(CTestCalc)
    TOL_COM_INTERFACE(IID_ITestCalc, ITestCalc)
    TOL_COM_INTERFACE(IID_IDispatch, ITestCalc)
    TOL_COM_INTERFACE(IID_IConnectionPointContainer, IConnectionPointContainer)
    TOL_COM_INTERFACE(IID_ISupportErrorInfo, ISupportErrorInfo)
    TOL_END_COM_MAP()

    HRESULT FinalConstruct();

    STDMETHOD(Add)(long a, long b, long* sum) override;
    STDMETHOD(Fail)(BSTR description) override;
    STDMETHOD(Fire)(long n, BSTR text) override;
    STDMETHOD(InstanceId)(long* id) override;
    STDMETHOD(ModuleLockCount)(long* count) override;

private:
    CConnectionPoint m_events{DIID__ITestCalcEvents};
    long m_id = 0;
};
