// CStandInBrowser: a stand-in for the web-browser control on test beds whose browser makes no
// documents. Hosted in place like the control (IOleObject, IOleInPlaceObject,
// IOleInPlaceActiveObject), it reads the page file it is navigated to, exposes the page's
// elements by identifier through its document (IWebBrowser2::get_Document), fires
// NavigateComplete2 and DocumentComplete (DWebBrowserEvents2) and draws the elements as boxes.
//
// Input: a mouse press on an element's box fires onmousedown, the release on the same box
// onclick; a right click asks the host's IDocHostUIHandler::ShowContextMenu. Tests script it
// with WM_COPYDATA text commands to its window (class "TolBrowserStandIn"):
//   click <id> | mousedown <id> | contextmenu <id> | reload     queued, answered 1
//   locate <id>     answered at once: the box's centre in client coordinates
//                   (MAKELONG(x, y)), 0 when the page has no such element
//   hosticon        answered at once: the centre pixel of the host window's small icon
//                   (0x01RRGGBB), 0 when it has none
// Everything it does is written to its log (standin_log.h).
#pragma once

#include <windows.h>
#include <ole2.h>

#include <string>

#include "com_object.h"
#include "com_ptr.h"
#include "connection_point.h"
#include "page_document.h"
#include "web_browser2_stubs.h"

class CStandInBrowser : public CWebBrowser2Stubs,
                        public IOleObject,
                        public IOleInPlaceObject,
                        public IOleInPlaceActiveObject,
                        public CConnectionPointContainerImpl,
                        public CComObjectRootBase {
public:
    TOL_BEGIN_COM_MAP(CStandInBrowser)
    TOL_COM_INTERFACE(IID_IWebBrowser2, IWebBrowser2)
    TOL_COM_INTERFACE(IID_IWebBrowserApp, IWebBrowser2)
    TOL_COM_INTERFACE(IID_IWebBrowser, IWebBrowser2)
    TOL_COM_INTERFACE(IID_IDispatch, IWebBrowser2)
    TOL_COM_INTERFACE(IID_IOleObject, IOleObject)
    TOL_COM_INTERFACE(IID_IOleWindow, IOleInPlaceObject)
    TOL_COM_INTERFACE(IID_IOleInPlaceObject, IOleInPlaceObject)
    TOL_COM_INTERFACE(IID_IOleInPlaceActiveObject, IOleInPlaceActiveObject)
    TOL_COM_INTERFACE(IID_IConnectionPointContainer, CConnectionPointContainerImpl)
    TOL_END_COM_MAP()

    CStandInBrowser();
    void FinalRelease();

    // IWebBrowser2 (the rest answers E_NOTIMPL)
    STDMETHOD(Navigate2)(VARIANT* url, VARIANT*, VARIANT*, VARIANT*, VARIANT*) override;
    STDMETHOD(get_Document)(IDispatch** document) override;
    STDMETHOD(get_ReadyState)(READYSTATE* state) override;
    STDMETHOD(put_Silent)(VARIANT_BOOL silent) override;
    STDMETHOD(put_RegisterAsDropTarget)(VARIANT_BOOL target) override;

    // IOleObject
    STDMETHOD(SetClientSite)(IOleClientSite* site) override;
    STDMETHOD(GetClientSite)(IOleClientSite** site) override;
    STDMETHOD(SetHostNames)(LPCOLESTR, LPCOLESTR) override { return S_OK; }
    STDMETHOD(Close)(DWORD) override;
    STDMETHOD(SetMoniker)(DWORD, IMoniker*) override { return E_NOTIMPL; }
    STDMETHOD(GetMoniker)(DWORD, DWORD, IMoniker**) override { return E_NOTIMPL; }
    STDMETHOD(InitFromData)(IDataObject*, BOOL, DWORD) override { return E_NOTIMPL; }
    STDMETHOD(GetClipboardData)(DWORD, IDataObject**) override { return E_NOTIMPL; }
    STDMETHOD(DoVerb)
    (LONG verb, LPMSG, IOleClientSite* site, LONG, HWND parent, LPCRECT position) override;
    STDMETHOD(EnumVerbs)(IEnumOLEVERB**) override { return E_NOTIMPL; }
    STDMETHOD(Update)() override { return S_OK; }
    STDMETHOD(IsUpToDate)() override { return S_OK; }
    STDMETHOD(GetUserClassID)(CLSID* clsid) override;
    STDMETHOD(GetUserType)(DWORD, LPOLESTR*) override { return E_NOTIMPL; }
    STDMETHOD(SetExtent)(DWORD, SIZEL*) override { return E_NOTIMPL; }
    STDMETHOD(GetExtent)(DWORD, SIZEL*) override { return E_NOTIMPL; }
    STDMETHOD(Advise)(IAdviseSink*, DWORD*) override { return E_NOTIMPL; }
    STDMETHOD(Unadvise)(DWORD) override { return E_NOTIMPL; }
    STDMETHOD(EnumAdvise)(IEnumSTATDATA**) override { return E_NOTIMPL; }
    STDMETHOD(GetMiscStatus)(DWORD, DWORD* status) override;
    STDMETHOD(SetColorScheme)(LOGPALETTE*) override { return E_NOTIMPL; }

    // IOleWindow, IOleInPlaceObject, IOleInPlaceActiveObject
    STDMETHOD(GetWindow)(HWND* window) override;
    STDMETHOD(ContextSensitiveHelp)(BOOL) override { return E_NOTIMPL; }
    STDMETHOD(InPlaceDeactivate)() override;
    STDMETHOD(UIDeactivate)() override { return S_OK; }
    STDMETHOD(SetObjectRects)(LPCRECT position, LPCRECT clip) override;
    STDMETHOD(ReactivateAndUndo)() override { return E_NOTIMPL; }
    STDMETHOD(TranslateAccelerator)(LPMSG msg) override;
    STDMETHOD(OnFrameWindowActivate)(BOOL) override { return S_OK; }
    STDMETHOD(OnDocWindowActivate)(BOOL) override { return S_OK; }
    STDMETHOD(ResizeBorder)(LPCRECT, IOleInPlaceUIWindow*, BOOL) override { return S_OK; }
    STDMETHOD(EnableModeless)(BOOL) override { return S_OK; }

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnCopyData(const COPYDATASTRUCT* data);
    void RunCommand(const std::wstring& command);
    void Load();
    void FireBrowserEvent(DISPID id);
    void Paint();
    int ElementAt(POINT point) const;
    RECT ElementBox(size_t index) const;
    void ContextMenu(int index, POINT point);
    LRESULT HostIconColour() const;
    void ReleaseDocument();

    CConnectionPoint m_events;
    CComPtr<IOleClientSite> m_site;
    CComPtr<IOleInPlaceSite> m_inPlaceSite;
    HWND m_window = nullptr;
    std::wstring m_url;
    bool m_navigationPending = false;
    CComObject<CPageDocument>* m_document = nullptr;
    int m_loads = 0;
    int m_pressed = -1;
};
