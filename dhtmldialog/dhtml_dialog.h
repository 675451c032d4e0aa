// CDHtmlDialog: a dialog whose client area is a web-browser control showing an HTML page.
//
// OnInitDialog creates the control (CLSID_WebBrowser) as an in-place OLE object filling the
// dialog, hosted by a CBrowserSite that answers the document host's UI handler through the
// virtuals ShowContextMenu and GetHostInfo. Navigate loads a page; when the top-level document
// is complete the elements named in the class's DHTML event map are bound by identifier and
// OnDocumentComplete runs. Keys go to the control first, then to the dialog.
//
//     class CMyDlg : public CDHtmlDialog {
//         TOL_DECLARE_DHTML_EVENT_MAP()
//         HRESULT OnButtonOK(IDispatch* element);
//     };
//
//     TOL_BEGIN_DHTML_EVENT_MAP(CMyDlg)
//         TOL_DHTML_EVENT_ONCLICK(L"ButtonOK", OnButtonOK)
//     TOL_END_DHTML_EVENT_MAP()
//
// Page elements are reached through their automation interface (IDispatch) by name, as a
// page script reaches them.
#pragma once

#include <windows.h>
#include <exdisp.h>
#include <mshtmhst.h>

#include <vector>

#include "browser_site.h"
#include "com_ptr.h"
#include "dialog.h"
#include "disp_event_sink.h"
#include "element_event_sink.h"

class CDHtmlDialog;

using DHtmlEventHandler = HRESULT (CDHtmlDialog::*)(IDispatch* element);

struct CDHtmlEventMapEntry {
    const wchar_t* elementId;  // null ends the map
    DISPID event;              // an HTMLElementEvents dispatch id
    DHtmlEventHandler handler;
};

#define TOL_DECLARE_DHTML_EVENT_MAP() \
protected:                            \
    const CDHtmlEventMapEntry* GetDHtmlEventMap() const override;

#define TOL_BEGIN_DHTML_EVENT_MAP(cls)                       \
    const CDHtmlEventMapEntry* cls::GetDHtmlEventMap() const \
    {                                                        \
        using ThisClass = cls;                               \
        static const CDHtmlEventMapEntry entries[] = {
#define TOL_DHTML_EVENT_ELEMENT(event, id, handler) \
    {(id), (event), static_cast<DHtmlEventHandler>(&ThisClass::handler)},
#define TOL_DHTML_EVENT_ONCLICK(id, handler) \
    TOL_DHTML_EVENT_ELEMENT(DISPID_HTMLELEMENTEVENTS_ONCLICK, id, handler)
#define TOL_DHTML_EVENT_ONMOUSEDOWN(id, handler) \
    TOL_DHTML_EVENT_ELEMENT(DISPID_HTMLELEMENTEVENTS_ONMOUSEDOWN, id, handler)
#define TOL_END_DHTML_EVENT_MAP() \
    {                             \
        nullptr, 0, nullptr       \
    }                             \
    }                             \
    ;                             \
    return entries;               \
    }

class CDHtmlDialog : public CDialog, private CBrowserSite::Owner, private CElementEventSink::Owner {
public:
    explicit CDHtmlDialog(UINT templateId);
    ~CDHtmlDialog() override;

    HRESULT Navigate(const wchar_t* url);
    HRESULT GetDocument(IDispatch** document);
    // The element of the current document with that identifier: S_OK, or S_FALSE and null
    // when there is none.
    HRESULT GetElement(const wchar_t* id, IDispatch** element);

protected:
    BOOL OnInitDialog() override;
    BOOL PreTranslateMessage(MSG* msg) override;

    // Browser events of the top-level document. Base: nothing.
    virtual void OnDocumentComplete(IDispatch* browser, const wchar_t* url);
    virtual void OnNavigateComplete(IDispatch* browser, const wchar_t* url);

    // The document host's UI handler. ShowContextMenu base: S_FALSE (the control shows its
    // own menu). GetHostInfo base: no 3-D border, no scroll bars.
    virtual HRESULT ShowContextMenu(DWORD id, POINT* point, IUnknown* commandTarget,
                                    IDispatch* object);
    virtual HRESULT GetHostInfo(DOCHOSTUIINFO* info);

    // The class's DHTML event map; base: none.
    virtual const CDHtmlEventMapEntry* GetDHtmlEventMap() const { return nullptr; }

    TOL_DECLARE_MESSAGE_MAP()
    LRESULT OnSize(WPARAM wParam, LPARAM lParam);
    LRESULT OnDestroy(WPARAM wParam, LPARAM lParam);

private:
    class CBrowserEvents
        : public CDispEventSink<CBrowserEvents, &DIID_DWebBrowserEvents2, &LIBID_SHDocVw, 1, 1> {
    public:
        explicit CBrowserEvents(CDHtmlDialog* owner) : m_owner(owner) {}
        TOL_BEGIN_SINK_MAP(CBrowserEvents)
        TOL_SINK_ENTRY(252, &CBrowserEvents::OnNavigateComplete2)
        TOL_SINK_ENTRY(259, &CBrowserEvents::OnDocumentComplete)
        TOL_END_SINK_MAP()
        HRESULT OnNavigateComplete2(VARIANT* browser, VARIANT* url);
        HRESULT OnDocumentComplete(VARIANT* browser, VARIANT* url);

    private:
        CDHtmlDialog* m_owner;
    };

    // CBrowserSite::Owner
    HWND SiteWindow() override { return m_hWnd; }
    HRESULT SiteShowContextMenu(DWORD id, POINT* point, IUnknown* commandTarget,
                                IDispatch* object) override;
    HRESULT SiteGetHostInfo(DOCHOSTUIINFO* info) override { return GetHostInfo(info); }
    void SiteSetActiveObject(IOleInPlaceActiveObject* object) override { m_activeObject = object; }

    // CElementEventSink::Owner
    HRESULT OnElementEvent(const wchar_t* id, DISPID event, IDispatch* element) override;

    HRESULT CreateBrowser();
    void DestroyBrowser();
    bool IsTopLevel(VARIANT* browser) const;
    void ConnectElementEvents();
    void DisconnectElementEvents();

    CBrowserSite* m_site = nullptr;
    CComPtr<IOleObject> m_browserObject;
    CComPtr<IWebBrowser2> m_browser;
    CComPtr<IOleInPlaceActiveObject> m_activeObject;
    CBrowserEvents m_events{this};
    std::vector<CComPtr<CElementEventSink>> m_elementSinks;
};
