#include "plugin_sink.h"

#include "critical_section.h"
#include "disp_event_sink.h"
#include "main_worker.h"

#include <TolvanePlugIns.h>

#include <new>

class CPlugInSink : public CRefCountedDispEventSink<CPlugInSink, &DIID__ITolvanePlugInEvents,
                                                    &LIBID_TolvanePlugInsLib, 1, 0> {
public:
    explicit CPlugInSink(CMainWorker* owner) : m_owner(owner) {}

    TOL_BEGIN_SINK_MAP(CPlugInSink)
    TOL_SINK_ENTRY(1, &CPlugInSink::OnNewData)
    TOL_END_SINK_MAP()

    HRESULT OnNewData(VARIANT srcID, VARIANT newDesc)
    {
        CScopedLock lock(m_ownerLock);
        if (m_owner)
            m_owner->OnPlugInNewData(srcID, newDesc);
        return S_OK;
    }

    // From here on events are dropped; an event being handled is waited for.
    void Detach()
    {
        CScopedLock lock(m_ownerLock);
        m_owner = nullptr;
    }

private:
    ~CPlugInSink() override = default;

    CCriticalSection m_ownerLock;
    CMainWorker* m_owner;
};

CPlugInSink* CreatePlugInSink(CMainWorker* owner)
{
    return new (std::nothrow) CPlugInSink(owner);
}

HRESULT AdvisePlugInSink(CPlugInSink* sink, IUnknown* plugIn)
{
    return sink ? sink->DispEventAdvise(plugIn) : E_POINTER;
}

void UnadvisePlugInSink(CPlugInSink* sink, IUnknown* plugIn)
{
    if (!sink)
        return;
    if (sink->IsAdvised())
        sink->DispEventUnadvise(plugIn);
    sink->Detach();
}

DWORD PlugInSinkCookie(CPlugInSink* sink)
{
    return sink ? sink->Cookie() : kSinkNotAdvised;
}

void ReleasePlugInSink(CPlugInSink* sink)
{
    if (sink)
        sink->Release();
}
