// CQuorinAgentSink: the connector's sink on the agent's _IQuorinAgentEvents; StatusChanged goes
// on to the connector's own clients.
//
// Reference counted: the agent holds it from Advise until Unadvise, and an event being handled
// holds it too. Detach cuts it off from its connector: an event being handled finishes first,
// and every later event lands nowhere.
#pragma once

#include "comsupport.h"

#include <TolvaneLib.h>

class CIEConnecter;

class CQuorinAgentSink
    : public CRefCountedDispEventSink<CQuorinAgentSink, &DIID__IQuorinAgentEvents,
                                      &LIBID_TolvaneLib, 1, 0> {
public:
    // A new sink for the connector, with one reference held by the caller; null on failure.
    static CQuorinAgentSink* Create(CIEConnecter* connecter);

    TOL_BEGIN_SINK_MAP(CQuorinAgentSink)
    TOL_SINK_ENTRY(1, &CQuorinAgentSink::OnTestListChanged)
    TOL_SINK_ENTRY(2, &CQuorinAgentSink::OnStatusChanged)
    TOL_END_SINK_MAP()

    HRESULT OnTestListChanged(long testType);
    HRESULT OnStatusChanged(long newStatus, VARIANT StatusDesc);

    void Detach();

private:
    explicit CQuorinAgentSink(CIEConnecter* connecter) : m_connecter(connecter) {}
    ~CQuorinAgentSink() override = default;

    CCriticalSection m_connecterLock;
    CIEConnecter* m_connecter;
};
