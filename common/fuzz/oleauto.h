// Native build of the fuzz targets: BSTR allocation and the VARIANT of a BSTR (see windows.h
// here).
#pragma once

#include "windows.h"

#define VT_EMPTY 0
#define VT_BSTR 8

typedef struct {
    unsigned short vt;
    unsigned short reserved[3];
    union {
        BSTR bstrVal;
        long long llVal;
    };
} VARIANT;

BSTR SysAllocString(const wchar_t* text);
BSTR SysAllocStringLen(const wchar_t* text, UINT chars);
BSTR SysAllocStringByteLen(const char* bytes, UINT length);
UINT SysStringLen(BSTR text);
UINT SysStringByteLen(BSTR text);
void SysFreeString(BSTR text);
HRESULT VariantClear(VARIANT* variant);
