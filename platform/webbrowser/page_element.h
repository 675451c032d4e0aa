// CPageElement: one element of the stand-in's page — its automation members "id", "tagName",
// "innerText" and "click", and the HTMLElementEvents connection point its events fire on.
#pragma once

#include <windows.h>

#include "com_object.h"
#include "connection_point.h"
#include "named_dispatch.h"
#include "page_scan.h"

class CPageElement : public CNamedDispatch,
                     public CConnectionPointContainerImpl,
                     public CComObjectRootBase {
public:
    // A new element with one reference for the caller.
    static HRESULT Create(const PageElement& scanned, CComObject<CPageElement>** out);

    TOL_BEGIN_COM_MAP(CPageElement)
    TOL_COM_INTERFACE(IID_IDispatch, CNamedDispatch)
    TOL_COM_INTERFACE(IID_IConnectionPointContainer, CConnectionPointContainerImpl)
    TOL_END_COM_MAP()

    const PageElement& Data() const { return m_data; }
    // Fires an HTMLElementEvents event (onclick, onmousedown) to the element's sinks.
    HRESULT Fire(DISPID event);

protected:
    CPageElement();
    const CDispatchName* Names() const override;
    HRESULT InvokeMember(DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result) override;

private:
    PageElement m_data;
    CConnectionPoint m_events;
};
