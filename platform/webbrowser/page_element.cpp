#include "page_element.h"

#include "html_element_events.h"
#include "standin_log.h"

namespace {

enum : DISPID { kId = 1, kTagName, kInnerText, kClick };

const wchar_t* EventName(DISPID event)
{
    switch (event) {
    case DISPID_HTMLELEMENTEVENTS_ONCLICK:
        return L"onclick";
    case DISPID_HTMLELEMENTEVENTS_ONMOUSEDOWN:
        return L"onmousedown";
    case DISPID_HTMLELEMENTEVENTS_ONMOUSEUP:
        return L"onmouseup";
    default:
        return L"event";
    }
}

HRESULT ReturnText(const std::wstring& text, VARIANT* result)
{
    if (!result)
        return S_OK;
    V_VT(result) = VT_BSTR;
    V_BSTR(result) = SysAllocString(text.c_str());
    return V_BSTR(result) ? S_OK : E_OUTOFMEMORY;
}

}  // namespace

CPageElement::CPageElement() : m_events(kHtmlElementEventsIid)
{
    RegisterConnectionPoint(&m_events);
}

HRESULT CPageElement::Create(const PageElement& scanned, CComObject<CPageElement>** out)
{
    HRESULT hr = CComObject<CPageElement>::CreateInstance(out);
    if (FAILED(hr))
        return hr;
    (*out)->AddRef();
    (*out)->m_data = scanned;
    return S_OK;
}

const CDispatchName* CPageElement::Names() const
{
    static const CDispatchName names[] = {{L"id", kId},
                                          {L"tagName", kTagName},
                                          {L"innerText", kInnerText},
                                          {L"click", kClick},
                                          {nullptr, 0}};
    return names;
}

HRESULT CPageElement::InvokeMember(DISPID id, WORD flags, DISPPARAMS*, VARIANT* result)
{
    switch (id) {
    case kId:
        return ReturnText(m_data.id, result);
    case kTagName:
        return ReturnText(m_data.tag, result);
    case kInnerText:
        return ReturnText(m_data.text, result);
    case kClick:
        if (!(flags & DISPATCH_METHOD))
            return DISP_E_MEMBERNOTFOUND;
        StandInLog(L"click %ls", m_data.id.c_str());
        return Fire(DISPID_HTMLELEMENTEVENTS_ONCLICK);
    default:
        return DISP_E_MEMBERNOTFOUND;
    }
}

HRESULT CPageElement::Fire(DISPID event)
{
    size_t sinks = m_events.SinkCount();
    HRESULT hr = m_events.FireDispatch(event, nullptr, 0);
    StandInLog(L"event %ls %ls sinks=%u hr=0x%08lX", EventName(event), m_data.id.c_str(),
               static_cast<unsigned>(sinks), static_cast<unsigned long>(hr));
    return S_OK;
}
