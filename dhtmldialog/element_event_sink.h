// CElementEventSink: the events of one page element, passed to its owner together with the
// element's identifier. The sink is advised on the element's HTMLElementEvents connection
// point by Connect and stays there until Disconnect, which also drops the element.
#pragma once

#include <windows.h>
#include <ocidl.h>

#include <string>

#include "com_object.h"
#include "com_ptr.h"
#include "html_element_events.h"
#include "no_type_info_dispatch.h"

class CElementEventSink : public CNoTypeInfoDispatch<IDispatch>, public CComObjectRootBase {
public:
    class Owner {
    public:
        virtual HRESULT OnElementEvent(const wchar_t* id, DISPID event, IDispatch* element) = 0;

    protected:
        ~Owner() = default;
    };

    // A new sink advised on the element; one reference for the caller.
    static HRESULT Connect(Owner* owner, const wchar_t* id, IDispatch* element,
                           CElementEventSink** out);
    void Disconnect();
    const std::wstring& Id() const { return m_id; }

    TOL_BEGIN_COM_MAP(CElementEventSink)
    TOL_COM_INTERFACE(IID_IDispatch, IDispatch)
    TOL_COM_INTERFACE(kHtmlElementEventsIid, IDispatch)
    TOL_END_COM_MAP()

    STDMETHOD(GetIDsOfNames)(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHOD(Invoke)
    (DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* result, EXCEPINFO*, UINT*) override;

protected:
    CElementEventSink() = default;
    virtual ~CElementEventSink() = default;

private:
    Owner* m_owner = nullptr;
    std::wstring m_id;
    CComPtr<IDispatch> m_element;
    CComPtr<IConnectionPoint> m_point;
    DWORD m_cookie = 0;
};
