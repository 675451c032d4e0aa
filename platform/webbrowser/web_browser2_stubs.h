// CWebBrowser2Stubs: every method of IWebBrowser2 (and its IDispatch) answered E_NOTIMPL, for a
// stand-in that overrides the few a host uses.
#pragma once

#include <windows.h>
#include <exdisp.h>

#include "no_type_info_dispatch.h"

#define TOL_NOTIMPL(method, params)   \
    STDMETHOD(method) params override \
    {                                 \
        return E_NOTIMPL;             \
    }

class CWebBrowser2Stubs : public CNoTypeInfoDispatch<IWebBrowser2> {
public:
    virtual ~CWebBrowser2Stubs() = default;

    // IDispatch
    TOL_NOTIMPL(GetIDsOfNames, (REFIID, LPOLESTR*, UINT, LCID, DISPID*))
    TOL_NOTIMPL(Invoke, (DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*))

    // IWebBrowser
    TOL_NOTIMPL(GoBack, ())
    TOL_NOTIMPL(GoForward, ())
    TOL_NOTIMPL(GoHome, ())
    TOL_NOTIMPL(GoSearch, ())
    TOL_NOTIMPL(Navigate, (BSTR, VARIANT*, VARIANT*, VARIANT*, VARIANT*))
    TOL_NOTIMPL(Refresh, ())
    TOL_NOTIMPL(Refresh2, (VARIANT*))
    TOL_NOTIMPL(Stop, ())
    TOL_NOTIMPL(get_Application, (IDispatch**))
    TOL_NOTIMPL(get_Parent, (IDispatch**))
    TOL_NOTIMPL(get_Container, (IDispatch**))
    TOL_NOTIMPL(get_Document, (IDispatch**))
    TOL_NOTIMPL(get_TopLevelContainer, (VARIANT_BOOL*))
    TOL_NOTIMPL(get_Type, (BSTR*))
    TOL_NOTIMPL(get_Left, (LONG*))
    TOL_NOTIMPL(put_Left, (LONG))
    TOL_NOTIMPL(get_Top, (LONG*))
    TOL_NOTIMPL(put_Top, (LONG))
    TOL_NOTIMPL(get_Width, (LONG*))
    TOL_NOTIMPL(put_Width, (LONG))
    TOL_NOTIMPL(get_Height, (LONG*))
    TOL_NOTIMPL(put_Height, (LONG))
    TOL_NOTIMPL(get_LocationName, (BSTR*))
    TOL_NOTIMPL(get_LocationURL, (BSTR*))
    TOL_NOTIMPL(get_Busy, (VARIANT_BOOL*))

    // IWebBrowserApp
    TOL_NOTIMPL(Quit, ())
    TOL_NOTIMPL(ClientToWindow, (int*, int*))
    TOL_NOTIMPL(PutProperty, (BSTR, VARIANT))
    TOL_NOTIMPL(GetProperty, (BSTR, VARIANT*))
    TOL_NOTIMPL(get_Name, (BSTR*))
    TOL_NOTIMPL(get_HWND, (SHANDLE_PTR*))
    TOL_NOTIMPL(get_FullName, (BSTR*))
    TOL_NOTIMPL(get_Path, (BSTR*))
    TOL_NOTIMPL(get_Visible, (VARIANT_BOOL*))
    TOL_NOTIMPL(put_Visible, (VARIANT_BOOL))
    TOL_NOTIMPL(get_StatusBar, (VARIANT_BOOL*))
    TOL_NOTIMPL(put_StatusBar, (VARIANT_BOOL))
    TOL_NOTIMPL(get_StatusText, (BSTR*))
    TOL_NOTIMPL(put_StatusText, (BSTR))
    TOL_NOTIMPL(get_ToolBar, (int*))
    TOL_NOTIMPL(put_ToolBar, (int))
    TOL_NOTIMPL(get_MenuBar, (VARIANT_BOOL*))
    TOL_NOTIMPL(put_MenuBar, (VARIANT_BOOL))
    TOL_NOTIMPL(get_FullScreen, (VARIANT_BOOL*))
    TOL_NOTIMPL(put_FullScreen, (VARIANT_BOOL))

    // IWebBrowser2
    TOL_NOTIMPL(Navigate2, (VARIANT*, VARIANT*, VARIANT*, VARIANT*, VARIANT*))
    TOL_NOTIMPL(QueryStatusWB, (OLECMDID, OLECMDF*))
    TOL_NOTIMPL(ExecWB, (OLECMDID, OLECMDEXECOPT, VARIANT*, VARIANT*))
    TOL_NOTIMPL(ShowBrowserBar, (VARIANT*, VARIANT*, VARIANT*))
    TOL_NOTIMPL(get_ReadyState, (READYSTATE*))
    TOL_NOTIMPL(get_Offline, (VARIANT_BOOL*))
    TOL_NOTIMPL(put_Offline, (VARIANT_BOOL))
    TOL_NOTIMPL(get_Silent, (VARIANT_BOOL*))
    TOL_NOTIMPL(put_Silent, (VARIANT_BOOL))
    TOL_NOTIMPL(get_RegisterAsBrowser, (VARIANT_BOOL*))
    TOL_NOTIMPL(put_RegisterAsBrowser, (VARIANT_BOOL))
    TOL_NOTIMPL(get_RegisterAsDropTarget, (VARIANT_BOOL*))
    TOL_NOTIMPL(put_RegisterAsDropTarget, (VARIANT_BOOL))
    TOL_NOTIMPL(get_TheaterMode, (VARIANT_BOOL*))
    TOL_NOTIMPL(put_TheaterMode, (VARIANT_BOOL))
    TOL_NOTIMPL(get_AddressBar, (VARIANT_BOOL*))
    TOL_NOTIMPL(put_AddressBar, (VARIANT_BOOL))
    TOL_NOTIMPL(get_Resizable, (VARIANT_BOOL*))
    TOL_NOTIMPL(put_Resizable, (VARIANT_BOOL))
};

#undef TOL_NOTIMPL
