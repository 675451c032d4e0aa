// CPageDocument: the stand-in's document — "getElementById", "title" and "readyState" — over
// the elements of a scanned page.
#pragma once

#include <windows.h>

#include <vector>

#include "com_object.h"
#include "named_dispatch.h"
#include "page_element.h"
#include "page_scan.h"

class CPageDocument : public CNamedDispatch, public CComObjectRootBase {
public:
    // A new document with one reference for the caller.
    static HRESULT Create(const PageScan& scan, CComObject<CPageDocument>** out);

    TOL_BEGIN_COM_MAP(CPageDocument)
    TOL_COM_INTERFACE(IID_IDispatch, CNamedDispatch)
    TOL_END_COM_MAP()

    // The first element with the identifier, null when there is none (not AddRef'ed).
    CComObject<CPageElement>* Find(const wchar_t* id) const;
    const std::vector<CComObject<CPageElement>*>& Elements() const { return m_elements; }
    const std::wstring& Title() const { return m_title; }

protected:
    CPageDocument() = default;
    ~CPageDocument() override;
    const CDispatchName* Names() const override;
    HRESULT InvokeMember(DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result) override;

private:
    std::wstring m_title;
    std::vector<CComObject<CPageElement>*> m_elements;
};
