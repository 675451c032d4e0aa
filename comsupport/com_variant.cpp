#include "com_variant.h"

CComVariant::CComVariant(const VARIANT& other)
{
    VariantInit(this);
    Copy(&other);
}

CComVariant::CComVariant(const CComVariant& other) : CComVariant(static_cast<const VARIANT&>(other))
{
}

CComVariant::CComVariant(CComVariant&& other) noexcept
{
    VariantInit(this);
    *static_cast<VARIANT*>(this) = other;
    VariantInit(&other);
}

CComVariant::CComVariant(const wchar_t* text)
{
    VariantInit(this);
    SetText(text);
}

CComVariant::CComVariant(int value)
{
    VariantInit(this);
    SetI4(value);
}

CComVariant::CComVariant(long value)
{
    VariantInit(this);
    SetI4(value);
}

CComVariant::CComVariant(unsigned int value)
{
    VariantInit(this);
    SetUI4(value);
}

CComVariant::CComVariant(unsigned long value)
{
    VariantInit(this);
    SetUI4(value);
}

CComVariant::CComVariant(bool value)
{
    VariantInit(this);
    SetBool(value);
}

CComVariant& CComVariant::operator=(const VARIANT& other)
{
    if (&other != static_cast<VARIANT*>(this))
        Copy(&other);
    return *this;
}

CComVariant& CComVariant::operator=(const CComVariant& other)
{
    return *this = static_cast<const VARIANT&>(other);
}

CComVariant& CComVariant::operator=(CComVariant&& other) noexcept
{
    if (&other != this) {
        VariantClear(this);
        *static_cast<VARIANT*>(this) = other;
        VariantInit(&other);
    }
    return *this;
}

HRESULT CComVariant::Copy(const VARIANT* src)
{
    if (!src)
        return E_POINTER;
    VARIANT copy;
    VariantInit(&copy);
    HRESULT hr = VariantCopy(&copy, const_cast<VARIANT*>(src));
    VariantClear(this);
    if (FAILED(hr)) {
        vt = VT_ERROR;
        scode = hr;
        return hr;
    }
    *static_cast<VARIANT*>(this) = copy;
    return S_OK;
}

HRESULT CComVariant::CopyTo(VARIANT* dst) const
{
    if (!dst)
        return E_POINTER;
    VariantClear(dst);
    return VariantCopy(dst, const_cast<CComVariant*>(this));
}

HRESULT CComVariant::Attach(VARIANT* src)
{
    if (!src)
        return E_POINTER;
    if (src == this)
        return S_OK;
    VariantClear(this);
    *static_cast<VARIANT*>(this) = *src;
    VariantInit(src);
    return S_OK;
}

HRESULT CComVariant::Detach(VARIANT* dst)
{
    if (!dst)
        return E_POINTER;
    if (dst == this)
        return S_OK;
    VariantClear(dst);
    *dst = *static_cast<VARIANT*>(this);
    VariantInit(this);
    return S_OK;
}

HRESULT CComVariant::ChangeType(VARTYPE type, const VARIANT* src)
{
    VARIANT out;
    VariantInit(&out);
    HRESULT hr = VariantChangeType(&out, const_cast<VARIANT*>(src ? src : this), 0, type);
    if (FAILED(hr))
        return hr;
    VariantClear(this);
    *static_cast<VARIANT*>(this) = out;
    return S_OK;
}

VARIANT* CComVariant::Receive()
{
    VariantClear(this);
    return this;
}

void CComVariant::SetI4(LONG value)
{
    VariantClear(this);
    vt = VT_I4;
    lVal = value;
}

void CComVariant::SetUI4(ULONG value)
{
    VariantClear(this);
    vt = VT_UI4;
    ulVal = value;
}

void CComVariant::SetBool(bool value)
{
    VariantClear(this);
    vt = VT_BOOL;
    boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
}

bool CComVariant::SetText(const wchar_t* text)
{
    BSTR str = text ? SysAllocString(text) : nullptr;
    if (text && !str)
        return false;
    AttachBSTR(str);
    return true;
}

bool CComVariant::SetBytes(const void* data, UINT bytes)
{
    if (!data && bytes)
        return false;
    BSTR str = data ? SysAllocStringByteLen(static_cast<const char*>(data), bytes) : nullptr;
    if (data && !str)
        return false;
    AttachBSTR(str);
    return true;
}

void CComVariant::AttachBSTR(BSTR str)
{
    VariantClear(this);
    vt = VT_BSTR;
    bstrVal = str;
}

UINT CComVariant::ByteLength() const
{
    return (vt == VT_BSTR && bstrVal) ? SysStringByteLen(bstrVal) : 0;
}
