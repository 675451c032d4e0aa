#include "browser_site.h"

HRESULT CBrowserSite::Create(Owner* owner, CBrowserSite** out)
{
    if (!out)
        return E_POINTER;
    CComObject<CBrowserSite>* site = nullptr;
    HRESULT hr = CComObject<CBrowserSite>::CreateInstance(&site);
    if (FAILED(hr))
        return hr;
    site->m_owner = owner;
    site->AddRef();
    *out = site;
    return S_OK;
}

STDMETHODIMP CBrowserSite::GetMoniker(DWORD, DWORD, IMoniker** moniker)
{
    if (moniker)
        *moniker = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP CBrowserSite::GetContainer(IOleContainer** container)
{
    if (container)
        *container = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP CBrowserSite::GetWindow(HWND* window)
{
    if (!window)
        return E_POINTER;
    *window = m_owner ? m_owner->SiteWindow() : nullptr;
    return *window ? S_OK : E_FAIL;
}

STDMETHODIMP CBrowserSite::GetWindowContext(IOleInPlaceFrame** frame,
                                            IOleInPlaceUIWindow** document, LPRECT position,
                                            LPRECT clip, LPOLEINPLACEFRAMEINFO info)
{
    if (!frame || !document || !position || !clip || !info)
        return E_POINTER;
    *document = nullptr;
    *frame = static_cast<IOleInPlaceFrame*>(this);
    (*frame)->AddRef();
    HWND window = m_owner ? m_owner->SiteWindow() : nullptr;
    RECT client = {};
    if (window)
        GetClientRect(window, &client);
    *position = client;
    *clip = client;
    info->cb = sizeof(OLEINPLACEFRAMEINFO);
    info->fMDIApp = FALSE;
    info->hwndFrame = window;
    info->haccel = nullptr;
    info->cAccelEntries = 0;
    return S_OK;
}

STDMETHODIMP CBrowserSite::SetActiveObject(IOleInPlaceActiveObject* object, LPCOLESTR)
{
    if (m_owner)
        m_owner->SiteSetActiveObject(object);
    return S_OK;
}

STDMETHODIMP CBrowserSite::ShowContextMenu(DWORD id, POINT* point, IUnknown* commandTarget,
                                           IDispatch* object)
{
    return m_owner ? m_owner->SiteShowContextMenu(id, point, commandTarget, object) : S_OK;
}

STDMETHODIMP CBrowserSite::GetHostInfo(DOCHOSTUIINFO* info)
{
    if (!info)
        return E_POINTER;
    return m_owner ? m_owner->SiteGetHostInfo(info) : E_NOTIMPL;
}

STDMETHODIMP CBrowserSite::GetOptionKeyPath(LPOLESTR* key, DWORD)
{
    if (key)
        *key = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP CBrowserSite::GetDropTarget(IDropTarget*, IDropTarget** target)
{
    if (target)
        *target = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP CBrowserSite::GetExternal(IDispatch** external)
{
    if (external)
        *external = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP CBrowserSite::TranslateUrl(DWORD, LPWSTR, LPWSTR* out)
{
    if (out)
        *out = nullptr;
    return S_FALSE;
}

STDMETHODIMP CBrowserSite::FilterDataObject(IDataObject*, IDataObject** out)
{
    if (out)
        *out = nullptr;
    return S_FALSE;
}
