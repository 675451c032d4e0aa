// CIEConnecter: the browser connector's class (ProgID "Tolvane.IEConnecter").
//
// Each object connects to the agent's automation object (a local server) when it is made and
// keeps that one connection for its whole life: every method of IIEConnecter goes to the same
// method of IQuorinAgent, and the agent's StatusChanged events go on to the connector's own
// clients. Without an agent the object still exists and every method fails with E_FAIL.
#pragma once

#include "comsupport.h"
#include "ie_connecter_events.h"

#include <Nexolink.h>
#include <TolvaneLib.h>

class CQuorinAgentSink;

class CIEConnecter
    : public CDispatchImpl<IIEConnecter, &IID_IIEConnecter, &LIBID_NexolinkLib, 1, 0>,
      public CConnectionPointContainerImpl,
      public CSupportErrorInfoImpl<&IID_IIEConnecter>,
      public CProvideClassInfo2Impl<&CLSID_IEConnecter, &DIID__IIEConnecterEvents,
                                    &LIBID_NexolinkLib, 1, 0>,
      public CComObjectRootBase {
public:
    CIEConnecter() { RegisterConnectionPoint(&m_events); }

    TOL_BEGIN_COM_MAP(CIEConnecter)
    TOL_COM_INTERFACE(IID_IIEConnecter, IIEConnecter)
    TOL_COM_INTERFACE(IID_IDispatch, IIEConnecter)
    TOL_COM_INTERFACE(IID_IConnectionPointContainer, IConnectionPointContainer)
    TOL_COM_INTERFACE(IID_ISupportErrorInfo, ISupportErrorInfo)
    TOL_COM_INTERFACE(IID_IProvideClassInfo, IProvideClassInfo2)
    TOL_COM_INTERFACE(IID_IProvideClassInfo2, IProvideClassInfo2)
    TOL_END_COM_MAP()

    HRESULT FinalConstruct();
    void FinalRelease();

    // Creates the agent object and advises the sink on its events; false when already
    // connected or when the agent object cannot be created.
    bool ConnectToAgent();
    // StatusChanged to the connector's clients (from the sink, on the delivering thread). The
    // connector may be gone when this returns: nothing of it is touched after the clients.
    HRESULT FireStatusChanged(long status, VARIANT text)
    {
        return m_events.Fire_StatusChanged(status, text);
    }

    STDMETHOD(StartWork)() override;
    STDMETHOD(StopWork)() override;
    STDMETHOD(GetStatus)(long* newStatus) override;
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
    // The agent object, or null (with the thread's error object cleared) when not connected.
    IQuorinAgent* Agent() const;

    bool m_connected = false;
    IQuorinAgent* m_agent = nullptr;
    CQuorinAgentSink* m_sink = nullptr;
    CProxy_IIEConnecterEvents m_events;
};
