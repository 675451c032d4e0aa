#include "page_document.h"

namespace {

enum : DISPID { kGetElementById = 1, kTitle, kReadyState };

}  // namespace

HRESULT CPageDocument::Create(const PageScan& scan, CComObject<CPageDocument>** out)
{
    HRESULT hr = CComObject<CPageDocument>::CreateInstance(out);
    if (FAILED(hr))
        return hr;
    CComObject<CPageDocument>* document = *out;
    document->AddRef();
    document->m_title = scan.title;
    for (const PageElement& scanned : scan.elements) {
        CComObject<CPageElement>* element = nullptr;
        hr = CPageElement::Create(scanned, &element);
        if (FAILED(hr)) {
            document->Release();
            *out = nullptr;
            return hr;
        }
        document->m_elements.push_back(element);
    }
    return S_OK;
}

CPageDocument::~CPageDocument()
{
    for (CComObject<CPageElement>* element : m_elements)
        element->Release();
}

CComObject<CPageElement>* CPageDocument::Find(const wchar_t* id) const
{
    for (CComObject<CPageElement>* element : m_elements) {
        if (id && element->Data().id == id)
            return element;
    }
    return nullptr;
}

const CDispatchName* CPageDocument::Names() const
{
    static const CDispatchName names[] = {{L"getElementById", kGetElementById},
                                          {L"title", kTitle},
                                          {L"readyState", kReadyState},
                                          {nullptr, 0}};
    return names;
}

HRESULT CPageDocument::InvokeMember(DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result)
{
    switch (id) {
    case kGetElementById: {
        if (!(flags & DISPATCH_METHOD))
            return DISP_E_MEMBERNOTFOUND;
        if (params->cArgs != 1)
            return DISP_E_BADPARAMCOUNT;
        VARIANT* arg = &params->rgvarg[0];
        if (V_VT(arg) != VT_BSTR)
            return DISP_E_TYPEMISMATCH;
        CComObject<CPageElement>* element = Find(V_BSTR(arg));
        if (result) {
            V_VT(result) = element ? VT_DISPATCH : VT_NULL;
            if (element) {
                V_DISPATCH(result) = static_cast<CNamedDispatch*>(element);
                element->AddRef();
            }
        }
        return S_OK;
    }
    case kTitle:
        if (result) {
            V_VT(result) = VT_BSTR;
            V_BSTR(result) = SysAllocString(m_title.c_str());
        }
        return S_OK;
    case kReadyState:
        if (result) {
            V_VT(result) = VT_BSTR;
            V_BSTR(result) = SysAllocString(L"complete");
        }
        return S_OK;
    default:
        return DISP_E_MEMBERNOTFOUND;
    }
}
