// CBrowserSite: the container side of an embedded web-browser control — the OLE client site,
// the in-place site and frame, and the document host's UI handler. It lives as long as the
// control holds it; its owner (the hosting dialog) answers the questions that depend on it and
// detaches before it goes, after which the site answers without it.
#pragma once

#include <windows.h>
#include <mshtmhst.h>
#include <ole2.h>

#include "com_object.h"

class CBrowserSite : public IOleClientSite,
                     public IOleInPlaceSite,
                     public IOleInPlaceFrame,
                     public IDocHostUIHandler,
                     public CComObjectRootBase {
public:
    class Owner {
    public:
        virtual HWND SiteWindow() = 0;
        virtual HRESULT SiteShowContextMenu(DWORD id, POINT* point, IUnknown* commandTarget,
                                            IDispatch* object) = 0;
        virtual HRESULT SiteGetHostInfo(DOCHOSTUIINFO* info) = 0;
        virtual void SiteSetActiveObject(IOleInPlaceActiveObject* object) = 0;

    protected:
        ~Owner() = default;
    };

    // A new site with one reference for the caller.
    static HRESULT Create(Owner* owner, CBrowserSite** out);
    void Detach() { m_owner = nullptr; }

    TOL_BEGIN_COM_MAP(CBrowserSite)
    TOL_COM_INTERFACE(IID_IOleClientSite, IOleClientSite)
    TOL_COM_INTERFACE(IID_IOleWindow, IOleInPlaceSite)
    TOL_COM_INTERFACE(IID_IOleInPlaceSite, IOleInPlaceSite)
    TOL_COM_INTERFACE(IID_IOleInPlaceUIWindow, IOleInPlaceFrame)
    TOL_COM_INTERFACE(IID_IOleInPlaceFrame, IOleInPlaceFrame)
    TOL_COM_INTERFACE(IID_IDocHostUIHandler, IDocHostUIHandler)
    TOL_END_COM_MAP()

    // IOleClientSite
    STDMETHOD(SaveObject)() override { return E_NOTIMPL; }
    STDMETHOD(GetMoniker)(DWORD, DWORD, IMoniker** moniker) override;
    STDMETHOD(GetContainer)(IOleContainer** container) override;
    STDMETHOD(ShowObject)() override { return S_OK; }
    STDMETHOD(OnShowWindow)(BOOL) override { return S_OK; }
    STDMETHOD(RequestNewObjectLayout)() override { return E_NOTIMPL; }

    // IOleWindow (of the in-place site and of the frame)
    STDMETHOD(GetWindow)(HWND* window) override;
    STDMETHOD(ContextSensitiveHelp)(BOOL) override { return E_NOTIMPL; }

    // IOleInPlaceSite
    STDMETHOD(CanInPlaceActivate)() override { return m_owner ? S_OK : S_FALSE; }
    STDMETHOD(OnInPlaceActivate)() override { return S_OK; }
    STDMETHOD(OnUIActivate)() override { return S_OK; }
    STDMETHOD(GetWindowContext)
    (IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document, LPRECT position, LPRECT clip,
     LPOLEINPLACEFRAMEINFO info) override;
    STDMETHOD(Scroll)(SIZE) override { return E_NOTIMPL; }
    STDMETHOD(OnUIDeactivate)(BOOL) override { return S_OK; }
    STDMETHOD(OnInPlaceDeactivate)() override { return S_OK; }
    STDMETHOD(DiscardUndoState)() override { return E_NOTIMPL; }
    STDMETHOD(DeactivateAndUndo)() override { return E_NOTIMPL; }
    STDMETHOD(OnPosRectChange)(LPCRECT) override { return S_OK; }

    // IOleInPlaceUIWindow and IOleInPlaceFrame: no tool space, menus or status line.
    STDMETHOD(GetBorder)(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
    STDMETHOD(RequestBorderSpace)(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
    STDMETHOD(SetBorderSpace)(LPCBORDERWIDTHS) override { return S_OK; }
    STDMETHOD(SetActiveObject)(IOleInPlaceActiveObject* object, LPCOLESTR) override;
    STDMETHOD(InsertMenus)(HMENU, LPOLEMENUGROUPWIDTHS) override { return S_OK; }
    STDMETHOD(SetMenu)(HMENU, HOLEMENU, HWND) override { return S_OK; }
    STDMETHOD(RemoveMenus)(HMENU) override { return S_OK; }
    STDMETHOD(SetStatusText)(LPCOLESTR) override { return S_OK; }
    STDMETHOD(EnableModeless)(BOOL) override { return S_OK; }
    STDMETHOD(TranslateAccelerator)(LPMSG, WORD) override { return S_FALSE; }

    // IDocHostUIHandler
    STDMETHOD(ShowContextMenu)
    (DWORD id, POINT* point, IUnknown* commandTarget, IDispatch* object) override;
    STDMETHOD(GetHostInfo)(DOCHOSTUIINFO* info) override;
    STDMETHOD(ShowUI)
    (DWORD, IOleInPlaceActiveObject*, IOleCommandTarget*, IOleInPlaceFrame*,
     IOleInPlaceUIWindow*) override
    {
        return S_OK;
    }
    STDMETHOD(HideUI)() override { return S_OK; }
    STDMETHOD(UpdateUI)() override { return S_OK; }
    STDMETHOD(OnDocWindowActivate)(BOOL) override { return S_OK; }
    STDMETHOD(OnFrameWindowActivate)(BOOL) override { return S_OK; }
    STDMETHOD(ResizeBorder)(LPCRECT, IOleInPlaceUIWindow*, BOOL) override { return S_OK; }
    STDMETHOD(TranslateAccelerator)(LPMSG, const GUID*, DWORD) override { return S_FALSE; }
    STDMETHOD(GetOptionKeyPath)(LPOLESTR* key, DWORD) override;
    STDMETHOD(GetDropTarget)(IDropTarget*, IDropTarget** target) override;
    STDMETHOD(GetExternal)(IDispatch** external) override;
    STDMETHOD(TranslateUrl)(DWORD, LPWSTR, LPWSTR* out) override;
    STDMETHOD(FilterDataObject)(IDataObject*, IDataObject** out) override;

protected:
    CBrowserSite() = default;
    virtual ~CBrowserSite() = default;

private:
    Owner* m_owner = nullptr;
};
