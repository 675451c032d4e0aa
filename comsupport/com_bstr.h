// CComBSTR: the owner of one BSTR.
//
// The string may hold text or be used as a byte string: a BSTR whose length is counted in
// bytes (SysStringByteLen), which may be odd and may contain zero bytes. Every copy made here
// is byte-exact, so byte strings survive copies, appends and hand-overs unchanged.
#pragma once

#include <windows.h>
#include <oleauto.h>

class CComBSTR {
public:
    CComBSTR() = default;
    explicit CComBSTR(const wchar_t* text);     // copy of a NUL-terminated text; null stays null
    CComBSTR(const wchar_t* text, UINT chars);  // copy of the first chars characters
    CComBSTR(const CComBSTR& other);            // byte-exact copy
    CComBSTR(CComBSTR&& other) noexcept;
    ~CComBSTR();

    CComBSTR& operator=(const CComBSTR& other);
    CComBSTR& operator=(CComBSTR&& other) noexcept;
    CComBSTR& operator=(const wchar_t* text);

    operator BSTR() const { return m_str; }
    BSTR Get() const { return m_str; }
    bool operator!() const { return m_str == nullptr; }

    UINT Length() const;      // characters (0 for null)
    UINT ByteLength() const;  // bytes (0 for null)
    bool IsEmpty() const { return ByteLength() == 0; }
    const BYTE* Bytes() const { return reinterpret_cast<const BYTE*>(m_str); }

    void Empty();           // frees the string; null afterwards
    void Attach(BSTR str);  // takes ownership of str, freeing what was held
    BSTR Detach();          // hands the string over; null afterwards
    BSTR* Receive();        // frees what was held and gives the slot for an out parameter

    HRESULT CopyTo(BSTR* out) const;     // byte-exact copy (null for null)
    HRESULT CopyTo(VARIANT* out) const;  // out (initialised) becomes VT_BSTR with a copy

    // Byte-string use.
    bool AssignBytes(const void* data, UINT bytes);  // null data with 0 bytes makes it null
    bool AppendBytes(const void* data, UINT bytes);  // keeps the string unchanged on failure
    bool Append(const CComBSTR& other);              // byte for byte
    bool Append(const wchar_t* text);

    // Text use: widen a narrow text with the code page (null text makes it null).
    bool AssignMultiByte(const char* text, UINT codePage);

private:
    BSTR m_str = nullptr;
};
