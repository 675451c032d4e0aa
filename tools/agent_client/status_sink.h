// The client's sink of the agent's _IQuorinAgentEvents: prints every event, counts the
// statuses for "wait", and may call the agent back from inside its StatusChanged handler.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <map>
#include <string>
#include <vector>

#include "com_variant.h"
#include "critical_section.h"
#include "no_type_info_dispatch.h"
#include "ref_counted.h"
#include "scoped_handle.h"

class CStatusSink : public CRefCounted<CNoTypeInfoDispatch<IDispatch>> {
public:
    CStatusSink();
    ~CStatusSink() override;

    STDMETHOD(QueryInterface)(REFIID riid, void** ppv) override;
    STDMETHOD(GetIDsOfNames)(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override;
    STDMETHOD(Invoke)
    (DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*, UINT*) override;

    // The event interface the sink answers for besides IDispatch (the agent's by default).
    void SetEventInterface(REFIID iid) { m_events = iid; }
    // The agent and the method the handler calls with these arguments (null/empty: none).
    void SetReentry(IDispatch* agent, const std::wstring& method,
                    const std::vector<CComVariant>& args = {});
    // Waits until one more event of `status` than earlier waits took has come.
    bool WaitFor(long status, DWORD milliseconds);
    // Waits until `count` events of `status` have come in all; the number come so far.
    int WaitForCount(long status, int count, DWORD milliseconds);
    // From now on every StatusChanged handler never returns (a hung client).
    void Hang();
    // From now on events are counted, not printed.
    void Quiet();

private:
    void CallBack(long status);

    IID m_events;
    volatile LONG m_hung = 0;
    volatile LONG m_quiet = 0;
    CScopedHandle m_never;  // never set: what a hung handler waits for
    CCriticalSection m_lock;
    std::map<long, int> m_seen;
    std::map<long, int> m_taken;
    CScopedHandle m_arrived;
    IDispatch* m_agent = nullptr;
    std::wstring m_reentry;
    std::vector<CComVariant> m_reentryArgs;
};

// Calls a method of the agent by name through IDispatch; prints "<prefix> <method> hr=..."
// with the value or the failure.
HRESULT CallAgent(IDispatch* agent, const std::wstring& prefix, const std::wstring& method,
                  VARIANT* args, UINT count);
// The same without a word: the call's result (the exception's code for DISP_E_EXCEPTION).
HRESULT CallAgentQuietly(IDispatch* agent, const std::wstring& method, VARIANT* args, UINT count);
