#include "dhtml_dialog.h"

#include <cwchar>

#include "com_variant.h"
#include "dispatch_call.h"

namespace {

// The text of a URL argument of a browser event (a VARIANT passed by reference).
const wchar_t* UrlText(VARIANT* url)
{
    while (url && V_VT(url) == (VT_BYREF | VT_VARIANT))
        url = V_VARIANTREF(url);
    if (url && V_VT(url) == VT_BSTR && V_BSTR(url))
        return V_BSTR(url);
    return L"";
}

IDispatch* DispatchOf(VARIANT* value)
{
    while (value && V_VT(value) == (VT_BYREF | VT_VARIANT))
        value = V_VARIANTREF(value);
    return value && V_VT(value) == VT_DISPATCH ? V_DISPATCH(value) : nullptr;
}

}  // namespace

TOL_BEGIN_MESSAGE_MAP(CDHtmlDialog, CDialog)
TOL_ON_MESSAGE(WM_SIZE, OnSize)
TOL_ON_MESSAGE(WM_DESTROY, OnDestroy)
TOL_END_MESSAGE_MAP()

CDHtmlDialog::CDHtmlDialog(UINT templateId) : CDialog(templateId)
{
}

CDHtmlDialog::~CDHtmlDialog()
{
    DestroyBrowser();
}

BOOL CDHtmlDialog::OnInitDialog()
{
    CDialog::OnInitDialog();
    CreateBrowser();  // without a control the dialog stays empty
    return TRUE;
}

HRESULT CDHtmlDialog::CreateBrowser()
{
    HRESULT hr = CBrowserSite::Create(this, &m_site);
    if (FAILED(hr))
        return hr;
    hr = m_browserObject.CoCreateInstance(CLSID_WebBrowser, IID_IOleObject, nullptr,
                                          CLSCTX_INPROC_SERVER);
    if (SUCCEEDED(hr))
        hr = m_browserObject->SetClientSite(m_site);
    if (SUCCEEDED(hr)) {
        RECT client = {};
        GetClientRect(m_hWnd, &client);
        hr = m_browserObject->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, m_site, 0, m_hWnd, &client);
    }
    if (SUCCEEDED(hr))
        hr = m_browserObject.QueryTo(IID_IWebBrowser2, &m_browser);
    if (SUCCEEDED(hr)) {
        // A file dropped on the window must not replace the page; script errors are no
        // business of the user's.
        m_browser->put_RegisterAsDropTarget(VARIANT_FALSE);
        m_browser->put_Silent(VARIANT_TRUE);
        hr = m_events.DispEventAdvise(m_browser);
    }
    if (FAILED(hr))
        DestroyBrowser();
    return hr;
}

void CDHtmlDialog::DestroyBrowser()
{
    DisconnectElementEvents();
    if (m_browser && m_events.IsAdvised())
        m_events.DispEventUnadvise(m_browser);
    m_activeObject.Release();
    if (m_browserObject) {
        CComPtr<IOleInPlaceObject> inPlace;
        if (SUCCEEDED(m_browserObject.QueryTo(IID_IOleInPlaceObject, &inPlace)))
            inPlace->InPlaceDeactivate();
        m_browserObject->Close(OLECLOSE_NOSAVE);
        m_browserObject->SetClientSite(nullptr);
    }
    m_browser.Release();
    m_browserObject.Release();
    if (m_site) {
        m_site->Detach();
        static_cast<IOleClientSite*>(m_site)->Release();
        m_site = nullptr;
    }
}

HRESULT CDHtmlDialog::Navigate(const wchar_t* url)
{
    if (!m_browser)
        return E_FAIL;
    CComVariant target(url);
    CComVariant empty;
    return m_browser->Navigate2(&target, &empty, &empty, &empty, &empty);
}

HRESULT CDHtmlDialog::GetDocument(IDispatch** document)
{
    if (!document)
        return E_POINTER;
    *document = nullptr;
    if (!m_browser)
        return E_FAIL;
    HRESULT hr = m_browser->get_Document(document);
    if (SUCCEEDED(hr) && !*document)
        hr = E_FAIL;
    return hr;
}

HRESULT CDHtmlDialog::GetElement(const wchar_t* id, IDispatch** element)
{
    if (!element)
        return E_POINTER;
    *element = nullptr;
    CComPtr<IDispatch> document;
    HRESULT hr = GetDocument(&document);
    if (FAILED(hr))
        return hr;
    CComVariant argument(id);
    CComVariant found;
    hr = InvokeByName(document, L"getElementById", DISPATCH_METHOD, &argument, 1, &found);
    if (FAILED(hr))
        return hr;
    if (V_VT(&found) != VT_DISPATCH || !V_DISPATCH(&found))
        return S_FALSE;
    *element = V_DISPATCH(&found);
    (*element)->AddRef();
    return S_OK;
}

BOOL CDHtmlDialog::PreTranslateMessage(MSG* msg)
{
    bool key = msg->message >= WM_KEYFIRST && msg->message <= WM_KEYLAST;
    if (key && m_activeObject && m_hWnd && IsChild(m_hWnd, msg->hwnd) &&
        m_activeObject->TranslateAccelerator(msg) == S_OK)
        return TRUE;
    return CDialog::PreTranslateMessage(msg);
}

void CDHtmlDialog::OnDocumentComplete(IDispatch*, const wchar_t*)
{
}

void CDHtmlDialog::OnNavigateComplete(IDispatch*, const wchar_t*)
{
}

HRESULT CDHtmlDialog::ShowContextMenu(DWORD, POINT*, IUnknown*, IDispatch*)
{
    return S_FALSE;
}

HRESULT CDHtmlDialog::GetHostInfo(DOCHOSTUIINFO* info)
{
    info->cbSize = sizeof(DOCHOSTUIINFO);
    info->dwFlags = DOCHOSTUIFLAG_NO3DBORDER | DOCHOSTUIFLAG_SCROLL_NO;
    info->dwDoubleClick = DOCHOSTUIDBLCLK_DEFAULT;
    info->pchHostCss = nullptr;
    info->pchHostNS = nullptr;
    return S_OK;
}

HRESULT CDHtmlDialog::SiteShowContextMenu(DWORD id, POINT* point, IUnknown* commandTarget,
                                          IDispatch* object)
{
    return ShowContextMenu(id, point, commandTarget, object);
}

LRESULT CDHtmlDialog::OnSize(WPARAM, LPARAM)
{
    CComPtr<IOleInPlaceObject> inPlace;
    if (m_browserObject && SUCCEEDED(m_browserObject.QueryTo(IID_IOleInPlaceObject, &inPlace))) {
        RECT client = {};
        GetClientRect(m_hWnd, &client);
        inPlace->SetObjectRects(&client, &client);
    }
    return Default();
}

LRESULT CDHtmlDialog::OnDestroy(WPARAM, LPARAM)
{
    DestroyBrowser();
    return Default();
}

bool CDHtmlDialog::IsTopLevel(VARIANT* browser) const
{
    IDispatch* sender = DispatchOf(browser);
    if (!sender || !m_browser)
        return false;
    CComPtr<IUnknown> a;
    CComPtr<IUnknown> b;
    return SUCCEEDED(sender->QueryInterface(IID_IUnknown, a.ReceiveVoid())) &&
           SUCCEEDED(m_browser->QueryInterface(IID_IUnknown, b.ReceiveVoid())) && a == b;
}

HRESULT CDHtmlDialog::CBrowserEvents::OnNavigateComplete2(VARIANT* browser, VARIANT* url)
{
    if (m_owner->IsTopLevel(browser))
        m_owner->OnNavigateComplete(DispatchOf(browser), UrlText(url));
    return S_OK;
}

HRESULT CDHtmlDialog::CBrowserEvents::OnDocumentComplete(VARIANT* browser, VARIANT* url)
{
    if (!m_owner->IsTopLevel(browser))
        return S_OK;  // a frame's document
    m_owner->ConnectElementEvents();
    m_owner->OnDocumentComplete(DispatchOf(browser), UrlText(url));
    return S_OK;
}

void CDHtmlDialog::ConnectElementEvents()
{
    DisconnectElementEvents();
    const CDHtmlEventMapEntry* map = GetDHtmlEventMap();
    if (!map)
        return;
    for (const CDHtmlEventMapEntry* entry = map; entry->elementId; ++entry) {
        bool bound = false;  // one sink per element, whatever the number of its events
        for (const CDHtmlEventMapEntry* earlier = map; earlier != entry && !bound; ++earlier)
            bound = wcscmp(earlier->elementId, entry->elementId) == 0;
        CComPtr<IDispatch> element;
        if (bound || GetElement(entry->elementId, &element) != S_OK)
            continue;
        CComPtr<CElementEventSink> sink;
        if (SUCCEEDED(CElementEventSink::Connect(this, entry->elementId, element, &sink)))
            m_elementSinks.push_back(sink);
    }
}

void CDHtmlDialog::DisconnectElementEvents()
{
    std::vector<CComPtr<CElementEventSink>> sinks;
    sinks.swap(m_elementSinks);
    for (auto& sink : sinks)
        sink->Disconnect();
}

HRESULT CDHtmlDialog::OnElementEvent(const wchar_t* id, DISPID event, IDispatch* element)
{
    const CDHtmlEventMapEntry* map = GetDHtmlEventMap();
    for (const CDHtmlEventMapEntry* entry = map; entry && entry->elementId; ++entry) {
        if (entry->event == event && wcscmp(entry->elementId, id) == 0)
            return (this->*entry->handler)(element);
    }
    return S_OK;
}
