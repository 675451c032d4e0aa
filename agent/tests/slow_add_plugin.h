// A plug-in stand-in for the exchange probe whose Add takes its time, as a plug-in does that
// opens a remote event log on a host that does not answer: each Add waits the given time (or
// until the stand-in is let go) and then takes the line. It makes no results.
#pragma once

#include "fake_dispatch.h"

#include <TolvanePlugIns.h>
#include <windows.h>

class CSlowAddPlugIn : public CFakeDispatch<ITolvanePlugIn, &IID_ITolvanePlugIn> {
public:
    explicit CSlowAddPlugIn(DWORD milliseconds)
        : m_wait(milliseconds), m_letGo(CreateEventW(nullptr, TRUE, FALSE, nullptr))
    {
    }
    ~CSlowAddPlugIn() override { CloseHandle(m_letGo); }

    // Ends every wait under way and to come.
    void LetGo() { SetEvent(m_letGo); }

    STDMETHODIMP Init(VARIANT, VARIANT*) override { return E_NOTIMPL; }
    STDMETHODIMP Add(VARIANT, VARIANT_BOOL* taken) override
    {
        WaitForSingleObject(m_letGo, m_wait);
        *taken = VARIANT_TRUE;
        return S_OK;
    }
    STDMETHODIMP Get(VARIANT* result) override
    {
        VariantInit(result);
        return E_PENDING;
    }
    STDMETHODIMP Set(unsigned short, VARIANT) override { return S_OK; }

private:
    const DWORD m_wait;
    HANDLE m_letGo;
};
