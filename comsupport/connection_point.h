// Connection points: CConnectionPoint (one outgoing interface; embedded in its object) and
// CConnectionPointContainerImpl (IConnectionPointContainer over the object's points).
//
//     class CCalc : public ..., public CConnectionPointContainerImpl, public CComObjectRootBase {
//         CCalc() { RegisterConnectionPoint(&m_events); }
//         CConnectionPoint m_events{DIID__ICalcEvents};
//     };
//
// A connection point lives inside its object: its AddRef and Release go to the container's.
// Advise, Unadvise and firing may come from any thread: firing copies the sink list under the
// point's lock and calls the sinks outside it, so a sink may advise or unadvise while called.
#pragma once

#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

#include <vector>

#include "com_ptr.h"
#include "critical_section.h"

// One advised sink and its cookie.
struct SinkConnection {
    DWORD cookie;
    CComPtr<IUnknown> sink;
};

class CConnectionPoint : public IConnectionPoint {
public:
    explicit CConnectionPoint(const IID& iid) : m_iid(iid) {}
    virtual ~CConnectionPoint();  // releases every sink still advised
    CConnectionPoint(const CConnectionPoint&) = delete;
    CConnectionPoint& operator=(const CConnectionPoint&) = delete;

    void SetContainer(IConnectionPointContainer* container) { m_container = container; }
    const IID& Iid() const { return m_iid; }

    STDMETHOD(QueryInterface)(REFIID riid, void** ppv) override;
    STDMETHOD_(ULONG, AddRef)() override;
    STDMETHOD_(ULONG, Release)() override;
    STDMETHOD(GetConnectionInterface)(IID* iid) override;
    STDMETHOD(GetConnectionPointContainer)(IConnectionPointContainer** container) override;
    STDMETHOD(Advise)(IUnknown* sink, DWORD* cookie) override;
    STDMETHOD(Unadvise)(DWORD cookie) override;
    STDMETHOD(EnumConnections)(IEnumConnections** connections) override;

    // The advised sinks at this moment (each AddRef'ed), as the interface they were advised
    // with; as IDispatch for a dispatch interface.
    std::vector<CComPtr<IUnknown>> Sinks() const;
    // The same with the cookie each was advised under.
    std::vector<SinkConnection> Connections() const;
    size_t SinkCount() const;
    void UnadviseAll();

    // Calls IDispatch::Invoke(id, DISPATCH_METHOD) on every advised sink, on the calling thread.
    // args in the order of the event's parameters (DISPPARAMS receives them reversed). Returns
    // S_OK, or the last failure of a sink's Invoke (every sink is called anyway).
    HRESULT FireDispatch(DISPID id, const VARIANT* args, UINT count) const;
    // The same on a list of sinks taken earlier (Sinks()).
    static HRESULT FireDispatchTo(const std::vector<CComPtr<IUnknown>>& sinks, DISPID id,
                                  const VARIANT* args, UINT count);
    // The same on one sink (advised for a dispatch interface).
    static HRESULT FireDispatchToSink(IUnknown* sink, DISPID id, const VARIANT* args, UINT count);

private:
    struct Connection {
        DWORD cookie;
        IUnknown* sink;
    };

    const IID m_iid;
    IConnectionPointContainer* m_container = nullptr;
    mutable CCriticalSection m_lock;
    std::vector<Connection> m_connections;
    DWORD m_nextCookie = 1;
};

class CConnectionPointContainerImpl : public IConnectionPointContainer {
public:
    STDMETHOD(EnumConnectionPoints)(IEnumConnectionPoints** points) override;
    STDMETHOD(FindConnectionPoint)(REFIID riid, IConnectionPoint** point) override;

protected:
    // Adds one of the object's points (call from the constructor).
    void RegisterConnectionPoint(CConnectionPoint* point);

private:
    std::vector<CConnectionPoint*> m_points;
};
