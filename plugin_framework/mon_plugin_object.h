// CMonPlugInObject: the COM plug-in object every framework plug-in is made of.
//
// T is the plug-in's COM class (CMEMmonitoring, ...), TWorker its middle class on top of
// CMonCheckerBase<T> (CMemMon<T>, ...). The plug-in's class derives from this template, names
// its own empty dual interface, its type library and its class identifier, and declares
//     static const char* CommandCodeList();   // the Init reply, such as "MMAMMMMMDLAALAMLAD"
//     static const char* LogPrefix();         // the start of its log lines, such as "tol_mem: "
// and its interface map with TOL_PLUGIN_COM_MAP; it may declare AcceptWorker(TWorker*),
// PrepareWorker(TWorker*) and LeadingResults(CComBSTR*).
//
// Init carries the plug-in side of the handshake; Add hands each line, in UTF-8, to the
// worker's ProcessTest; Get hands over the pending ResultStream; Set gives the worker its check
// interval and the object its source id. The worker posts results and log lines back through
// PostResult and PostEvent, which fire OnNewData on the calling thread. The pending results are
// bounded (CPendingResult); a Get after the store dropped some posts one log line that says so.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <atomic>
#include <new>
#include <utility>

#include "TolvanePlugIns.h"
#include "com_bstr.h"
#include "com_error.h"
#include "com_object.h"
#include "connection_point.h"
#include "critical_section.h"
#include "dispatch_impl.h"
#include "heap_helpers.h"
#include "pending_result.h"
#include "plugin_call_checks.h"
#include "plugin_events.h"
#include "plugin_init_reply.h"
#include "plugin_texts.h"
#include "set_type.h"

// The level of the log line that says what the bounded store dropped: it matters to the admin.
constexpr int kLevelDroppedResults = 1;

// Get's hand-over, shared by the template and by a plug-in class with methods of its own
// (tol_ndis): `leading(CComBSTR*)` adds the records a plug-in puts first in every hand-over,
// then the pending results are taken and what the store dropped since the last Get is said in
// one log line (poster.PostEvent, the text beginning with `logPrefix`). Nothing at all:
// E_PENDING with a null string.
template <class TPoster, class TLeading>
HRESULT HandOverResults(CPendingResult& pending, TPoster& poster, const char* logPrefix,
                        VARIANT* szResult, TLeading leading)
{
    if (!szResult)
        return E_POINTER;
    VariantInit(szResult);
    szResult->vt = VT_BSTR;
    szResult->bstrVal = nullptr;
    CComBSTR result;
    leading(&result);
    CComBSTR taken;
    taken.Attach(pending.Take());
    PendingDrops drops = pending.TakeDrops();
    if (drops.records)
        poster.PostEvent(kLevelDroppedResults, PendingDropLine(logPrefix, drops).c_str());
    // Pending results are never lost to the leading records: when the two cannot be joined,
    // the pending bytes go alone.
    if (result.IsEmpty() || !result.Append(taken))
        result = std::move(taken);
    if (result.ByteLength() < 2)
        return E_PENDING;
    // Allocated by byte length: handed over as it is, nothing copied again.
    szResult->bstrVal = result.Detach();
    return S_OK;
}

template <class T, class TWorker, class TOwnItf, const IID* OwnIid, const GUID* OwnLibId,
          const IID* OwnEventsIid, const CLSID* ClassId>
class CMonPlugInObject
    : public CDispatchImpl<ITolvanePlugIn, &IID_ITolvanePlugIn, &LIBID_TolvanePlugInsLib>,
      public CDispatchImpl<TOwnItf, OwnIid, OwnLibId>,
      public CSupportErrorInfoImpl<OwnIid>,
      public CConnectionPointContainerImpl,
      public CComObjectRootBase {
public:
    using Worker = TWorker;

    CMonPlugInObject()
    {
        RegisterConnectionPoint(&m_ownEvents);
        RegisterConnectionPoint(&m_pluginEvents);
    }

    HRESULT FinalConstruct()
    {
        m_worker = nullptr;
        m_initialized = false;
        m_sourceId = 0;
        return S_OK;
    }

    // The worker first: Stop waits until its thread has ended, so nothing touches the object
    // once it is deleted.
    void FinalRelease()
    {
        if (m_worker) {
            m_worker->Stop();
            delete m_worker;
            m_worker = nullptr;
        }
        m_ownEvents.UnadviseAll();
        m_pluginEvents.UnadviseAll();
    }

    // Called by Init with the new worker first of all: false makes Init fail with "The Class
    // Initializsation failed." and deletes the worker, leaving the object uninitialised. A
    // plug-in's class may hide it to start what its worker cannot do without.
    bool AcceptWorker(TWorker*) { return true; }

    // Called by Init with the new worker before its thread starts; a plug-in's class may
    // hide it to give the worker what it needs first.
    void PrepareWorker(TWorker*) {}

    // Called by Get before the pending results are taken: records that a plug-in puts first
    // in every hand-over (a list of what it can measure). A plug-in's class may hide it.
    void LeadingResults(CComBSTR*) {}

    // ITolvanePlugIn
    STDMETHOD(Init)(VARIANT szAuth, VARIANT* szCommand) override
    {
        CScopedLock lock(m_initLock);
        if (m_initialized)
            return Fail(kTextAlreadyInitialised);
        CComBSTR reply;
        HRESULT hr = CheckInitRequest(*ClassId, szAuth, T::CommandCodeList(),
                                      kTextInitialisationFailed, &reply);
        if (FAILED(hr))
            return hr;
        TWorker* worker = new (std::nothrow) TWorker();
        if (!worker)
            return Fail(kTextInitialisationFailed);
        if (!static_cast<T*>(this)->AcceptWorker(worker)) {
            delete worker;
            return Fail(kTextInitialisationFailed);
        }
        worker->m_owner = static_cast<T*>(this);
        static_cast<T*>(this)->PrepareWorker(worker);
        worker->Start();
        m_worker = worker;
        if (szCommand) {
            VariantInit(szCommand);
            szCommand->vt = VT_BSTR;
            szCommand->bstrVal = reply.Detach();
        }
        m_initialized = true;
        return S_OK;
    }

    STDMETHOD(Add)(VARIANT szNewVal, VARIANT_BOOL* retVal) override
    {
        if (!m_initialized)
            return Fail(kTextInitializeFirst);
        char* line = nullptr;
        HRESULT hr = TakeNewValue(*ClassId, szNewVal, &line);
        if (FAILED(hr))
            return hr;
        // No exception leaves the object: a line the worker had no memory for is lost.
        bool taken = true;
        try {
            m_worker->ProcessTest(line);
        } catch (const std::bad_alloc&) {
            taken = false;
        }
        FreeHeapBlock(line);
        if (!taken)
            return E_OUTOFMEMORY;
        if (retVal)
            *retVal = VARIANT_TRUE;
        return S_OK;
    }

    STDMETHOD(Get)(VARIANT* szResult) override
    {
        if (!m_initialized)
            return Fail(kTextInitializeFirst);
        return HandOverResults(m_pending, *this, T::LogPrefix(), szResult, [this](CComBSTR* out) {
            static_cast<T*>(this)->LeadingResults(out);
        });
    }

    STDMETHOD(Set)(unsigned short nvType, VARIANT nValue) override
    {
        if (!m_initialized)
            return Fail(kTextInitializeFirst);
        if (nvType == SET_CHECK_PERIOD && nValue.vt == VT_I4)
            m_worker->SetInterval(nValue.lVal);
        else if (nvType == SET_SOURCE_ID && nValue.vt == VT_I4)
            m_sourceId = static_cast<unsigned int>(nValue.lVal);
        return S_OK;
    }

    // Called by the worker (on its threads).
    void PostResult(CComBSTR* data, const char* desc)
    {
        AppendPending(data);
        FireNewData(m_pluginEvents, VT_UI4, static_cast<LONG>(m_sourceId.load()), desc);
    }

    void PostEvent(int level, const char* text)
    {
        FireNewData(m_pluginEvents, VT_I4, -level, text);
    }

    void AppendPending(CComBSTR* data)
    {
        if (data)
            m_pending.Append(data->Get());
    }

protected:
    HRESULT Fail(const wchar_t* text) { return ReportComError(*ClassId, text); }

protected:
    // Members in their fixed order; plug-ins with an Init, Get or Set of their own use them.
    std::atomic<bool> m_initialized{false};
    std::atomic<unsigned int> m_sourceId{0};
    CPendingResult m_pending;
    TWorker* m_worker = nullptr;

    CCriticalSection m_initLock;  // one Init at a time

private:
    CConnectionPoint m_ownEvents{*OwnEventsIid};
    CConnectionPoint m_pluginEvents{DIID__ITolvanePlugInEvents};
};

// The interface map of a plug-in class: ITolvanePlugIn (also as IDispatch), its own interface,
// ISupportErrorInfo and IConnectionPointContainer.
#define TOL_PLUGIN_COM_MAP(cls, ownItf, ownIid)                                 \
    TOL_BEGIN_COM_MAP(cls)                                                      \
    TOL_COM_INTERFACE(IID_ITolvanePlugIn, ITolvanePlugIn)                       \
    TOL_COM_INTERFACE(IID_IDispatch, ITolvanePlugIn)                            \
    TOL_COM_INTERFACE(ownIid, ownItf)                                           \
    TOL_COM_INTERFACE(IID_ISupportErrorInfo, ISupportErrorInfo)                 \
    TOL_COM_INTERFACE(IID_IConnectionPointContainer, IConnectionPointContainer) \
    TOL_END_COM_MAP()
