// CComVariant: a VARIANT that owns its content (VariantClear on destruction).
//
// The layout is exactly a VARIANT, so a CComVariant* may be passed where a VARIANT* is wanted.
#pragma once

#include <windows.h>
#include <oleauto.h>

class CComVariant : public VARIANT {
public:
    CComVariant() { VariantInit(this); }
    CComVariant(const VARIANT& other);  // deep copy; VT_ERROR when it fails
    CComVariant(const CComVariant& other);
    CComVariant(CComVariant&& other) noexcept;
    explicit CComVariant(const wchar_t* text);  // VT_BSTR (null text: VT_BSTR null)
    explicit CComVariant(int value);            // VT_I4
    explicit CComVariant(long value);           // VT_I4
    explicit CComVariant(unsigned int value);   // VT_UI4
    explicit CComVariant(unsigned long value);  // VT_UI4
    explicit CComVariant(bool value);           // VT_BOOL
    ~CComVariant() { VariantClear(this); }

    CComVariant& operator=(const VARIANT& other);
    CComVariant& operator=(const CComVariant& other);
    CComVariant& operator=(CComVariant&& other) noexcept;

    HRESULT Clear() { return VariantClear(this); }
    HRESULT Copy(const VARIANT* src);    // deep copy of src
    HRESULT CopyTo(VARIANT* dst) const;  // dst (initialised) is cleared, then a deep copy
    HRESULT Attach(VARIANT* src);        // takes src's content over; src is left VT_EMPTY
    HRESULT Detach(VARIANT* dst);        // hands the content to dst (cleared first)
    HRESULT ChangeType(VARTYPE vt, const VARIANT* src = nullptr);
    VARIANT* Receive();  // cleared, ready for an out parameter

    void SetI4(LONG value);
    void SetUI4(ULONG value);
    void SetBool(bool value);
    bool SetText(const wchar_t* text);            // VT_BSTR copy of the text
    bool SetBytes(const void* data, UINT bytes);  // VT_BSTR byte string
    void AttachBSTR(BSTR str);                    // VT_BSTR, taking ownership of str

    bool IsBSTR() const { return vt == VT_BSTR; }
    UINT ByteLength() const;  // bytes of a VT_BSTR, else 0
};
