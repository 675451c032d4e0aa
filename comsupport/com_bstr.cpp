#include "com_bstr.h"

#include <cstring>

namespace {

BSTR CopyBytes(BSTR str)
{
    return str ? SysAllocStringByteLen(reinterpret_cast<const char*>(str), SysStringByteLen(str))
               : nullptr;
}

}  // namespace

CComBSTR::CComBSTR(const wchar_t* text) : m_str(text ? SysAllocString(text) : nullptr)
{
}

CComBSTR::CComBSTR(const wchar_t* text, UINT chars) : m_str(SysAllocStringLen(text, chars))
{
}

CComBSTR::CComBSTR(const CComBSTR& other) : m_str(CopyBytes(other.m_str))
{
}

CComBSTR::CComBSTR(CComBSTR&& other) noexcept : m_str(other.m_str)
{
    other.m_str = nullptr;
}

CComBSTR::~CComBSTR()
{
    Empty();
}

CComBSTR& CComBSTR::operator=(const CComBSTR& other)
{
    if (this != &other)
        Attach(CopyBytes(other.m_str));
    return *this;
}

CComBSTR& CComBSTR::operator=(CComBSTR&& other) noexcept
{
    if (this != &other) {
        Empty();
        m_str = other.m_str;
        other.m_str = nullptr;
    }
    return *this;
}

CComBSTR& CComBSTR::operator=(const wchar_t* text)
{
    if (text != m_str)
        Attach(text ? SysAllocString(text) : nullptr);
    return *this;
}

UINT CComBSTR::Length() const
{
    return m_str ? SysStringLen(m_str) : 0;
}

UINT CComBSTR::ByteLength() const
{
    return m_str ? SysStringByteLen(m_str) : 0;
}

void CComBSTR::Empty()
{
    BSTR str = m_str;
    m_str = nullptr;
    if (str)
        SysFreeString(str);
}

void CComBSTR::Attach(BSTR str)
{
    if (str == m_str)
        return;
    Empty();
    m_str = str;
}

BSTR CComBSTR::Detach()
{
    BSTR str = m_str;
    m_str = nullptr;
    return str;
}

BSTR* CComBSTR::Receive()
{
    Empty();
    return &m_str;
}

HRESULT CComBSTR::CopyTo(BSTR* out) const
{
    if (!out)
        return E_POINTER;
    *out = CopyBytes(m_str);
    return (*out || !m_str) ? S_OK : E_OUTOFMEMORY;
}

HRESULT CComBSTR::CopyTo(VARIANT* out) const
{
    if (!out)
        return E_POINTER;
    BSTR copy = nullptr;
    HRESULT hr = CopyTo(&copy);
    if (FAILED(hr))
        return hr;
    VariantClear(out);
    out->vt = VT_BSTR;
    out->bstrVal = copy;
    return S_OK;
}

bool CComBSTR::AssignBytes(const void* data, UINT bytes)
{
    if (!data) {
        if (bytes != 0)
            return false;
        Empty();
        return true;
    }
    BSTR str = SysAllocStringByteLen(static_cast<const char*>(data), bytes);
    if (!str)
        return false;
    Attach(str);
    return true;
}

bool CComBSTR::AppendBytes(const void* data, UINT bytes)
{
    if (bytes == 0)
        return true;
    if (!data)
        return false;
    UINT have = ByteLength();
    if (have > 0xFFFFFFF0u - bytes)
        return false;
    BSTR str = SysAllocStringByteLen(nullptr, have + bytes);
    if (!str)
        return false;
    if (have)
        memcpy(str, m_str, have);
    memcpy(reinterpret_cast<char*>(str) + have, data, bytes);
    Attach(str);
    return true;
}

bool CComBSTR::Append(const CComBSTR& other)
{
    if (&other == this) {
        CComBSTR copy(other);
        return AppendBytes(copy.Bytes(), copy.ByteLength());
    }
    return AppendBytes(other.Bytes(), other.ByteLength());
}

bool CComBSTR::Append(const wchar_t* text)
{
    return text ? AppendBytes(text, static_cast<UINT>(wcslen(text) * sizeof(wchar_t))) : true;
}

bool CComBSTR::AssignMultiByte(const char* text, UINT codePage)
{
    if (!text) {
        Empty();
        return true;
    }
    int chars = MultiByteToWideChar(codePage, 0, text, -1, nullptr, 0);
    if (chars <= 0)
        return false;
    BSTR str = SysAllocStringLen(nullptr, static_cast<UINT>(chars - 1));
    if (!str)
        return false;
    if (MultiByteToWideChar(codePage, 0, text, -1, str, chars) <= 0) {
        SysFreeString(str);
        return false;
    }
    Attach(str);
    return true;
}
