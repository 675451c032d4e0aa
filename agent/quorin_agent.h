// CQuorinAgent: the agent's automation object (ProgID "Tolvane.QuorinAgent"). Local clients,
// the browser connector among them, register the agent, start and stop its work, read and set
// its proxy and trace switch, and hear its status through _IQuorinAgentEvents. All work is the
// engine's; the program's class object is a singleton, so every client shares one object.
#pragma once

#include "comsupport.h"
#include "main_worker.h"
#include "quorin_agent_events.h"
#include "status_receiver.h"

#include <TolvaneLib.h>

class CQuorinAgent : public CDispatchImpl<IQuorinAgent, &IID_IQuorinAgent, &LIBID_TolvaneLib, 1, 0>,
                     public CConnectionPointContainerImpl,
                     public CSupportErrorInfoImpl<&IID_IQuorinAgent>,
                     public CProvideClassInfo2Impl<&CLSID_QuorinAgent, &DIID__IQuorinAgentEvents,
                                                   &LIBID_TolvaneLib, 1, 0>,
                     public IStatusReceiver,
                     public CComObjectRootBase {
public:
    CQuorinAgent() { RegisterConnectionPoint(&m_events); }

    TOL_BEGIN_COM_MAP(CQuorinAgent)
    TOL_COM_INTERFACE(IID_IQuorinAgent, IQuorinAgent)
    TOL_COM_INTERFACE(IID_IDispatch, IQuorinAgent)
    TOL_COM_INTERFACE(IID_IConnectionPointContainer, IConnectionPointContainer)
    TOL_COM_INTERFACE(IID_ISupportErrorInfo, ISupportErrorInfo)
    TOL_COM_INTERFACE(IID_IProvideClassInfo, IProvideClassInfo2)
    TOL_COM_INTERFACE(IID_IProvideClassInfo2, IProvideClassInfo2)
    TOL_END_COM_MAP()

    // The engine the program's objects serve (the program's global one); set before the
    // class object is registered.
    static void AttachEngine(CMainWorker* engine) { s_engine = engine; }
    // Waits until the status events fired so far reached the clients of the live object;
    // false on time-out.
    static bool FlushEvents(DWORD milliseconds);

    HRESULT FinalConstruct();
    void FinalRelease();

    // IStatusReceiver: called by the engine under its receivers lock.
    void LockReceiver() override { m_objectLock.Enter(); }
    void UnlockReceiver() override { m_objectLock.Leave(); }
    HRESULT Fire_StatusChanged(long status, VARIANT text) override;

    STDMETHOD(StartWork)() override;
    STDMETHOD(StopWork)() override;
    STDMETHOD(GetStatus)(long* status) override;
    STDMETHOD(GetCurrentTestsList)(long testType, VARIANT* testsList) override;
    STDMETHOD(Register)(VARIANT newEMail, VARIANT newName, VARIANT newPassword) override;
    STDMETHOD(GetRegisteredEMail)(VARIANT* regEMail) override;
    STDMETHOD(GetRegisteredName)(VARIANT* regName) override;
    STDMETHOD(UnRegister)() override;
    STDMETHOD(SetProxy)(VARIANT newProxy) override;
    STDMETHOD(GetProxy)(VARIANT* currProxy) override;
    STDMETHOD(IsTraceOn)(VARIANT_BOOL* traceOn) override;
    STDMETHOD(SetTrace)(VARIANT_BOOL trace) override;

private:
    static CMainWorker* Engine();
    static HRESULT Fail(const wchar_t* text);
    // S_OK, or E_FAIL with the engine's failure text as the error object; frees the text.
    static HRESULT WorkResult(bool done, wchar_t* error);
    static HRESULT HandOutText(char* text, VARIANT* out);

    CCriticalSection m_objectLock;
    CProxy_IQuorinAgentEvents m_events;
    bool m_joined = false;

    static CMainWorker* s_engine;
};
