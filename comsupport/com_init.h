// CComInit: COM initialised for the lifetime of a scope (CoInitializeEx / CoUninitialize).
#pragma once

#include <windows.h>
#include <objbase.h>

class CComInit {
public:
    explicit CComInit(DWORD model = COINIT_MULTITHREADED) : m_hr(CoInitializeEx(nullptr, model)) {}
    ~CComInit()
    {
        if (SUCCEEDED(m_hr))
            CoUninitialize();
    }
    CComInit(const CComInit&) = delete;
    CComInit& operator=(const CComInit&) = delete;

    HRESULT Result() const { return m_hr; }
    bool Succeeded() const { return SUCCEEDED(m_hr); }

private:
    HRESULT m_hr;
};
