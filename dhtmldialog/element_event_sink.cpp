#include "element_event_sink.h"

HRESULT CElementEventSink::Connect(Owner* owner, const wchar_t* id, IDispatch* element,
                                   CElementEventSink** out)
{
    if (!out || !element || !id)
        return E_POINTER;
    *out = nullptr;
    CComPtr<IConnectionPointContainer> container;
    HRESULT hr = element->QueryInterface(IID_IConnectionPointContainer, container.ReceiveVoid());
    if (FAILED(hr))
        return hr;
    CComPtr<IConnectionPoint> point;
    hr = container->FindConnectionPoint(kHtmlElementEventsIid, &point);
    if (FAILED(hr))
        return hr;
    CComObject<CElementEventSink>* sink = nullptr;
    hr = CComObject<CElementEventSink>::CreateInstance(&sink);
    if (FAILED(hr))
        return hr;
    sink->AddRef();
    sink->m_id = id;
    hr = point->Advise(static_cast<IDispatch*>(sink), &sink->m_cookie);
    if (FAILED(hr)) {
        sink->Release();
        return hr;
    }
    sink->m_owner = owner;
    sink->m_element = element;
    sink->m_point = point;
    *out = sink;
    return S_OK;
}

void CElementEventSink::Disconnect()
{
    m_owner = nullptr;
    if (m_point)
        m_point->Unadvise(m_cookie);
    m_point.Release();
    m_element.Release();
}

STDMETHODIMP CElementEventSink::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* result,
                                       EXCEPINFO*, UINT*)
{
    if (result)
        VariantInit(result);
    if (!m_owner)
        return S_OK;
    // The owner may disconnect and release this sink while handling the event.
    CComPtr<IDispatch> self(this);
    CComPtr<IDispatch> element = m_element;
    return m_owner->OnElementEvent(m_id.c_str(), id, element);
}
