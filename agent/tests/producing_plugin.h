// A plug-in stand-in for the exchange probe: a thread of its own makes one numbered result of
// a fixed size every second and keeps it pending, as a real plug-in's pending store does,
// until Get hands over everything pending. Each result reads "r<7 digits>:" and is filled
// with 'x' to its size.
#pragma once

#include "fake_dispatch.h"

#include <TolvanePlugIns.h>
#include <windows.h>

#include <cstdio>
#include <mutex>
#include <string>

class CProducingPlugIn : public CFakeDispatch<ITolvanePlugIn, &IID_ITolvanePlugIn> {
public:
    explicit CProducingPlugIn(unsigned size)
        : m_size(size < 16 ? 16 : size),
          m_stop(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
          m_thread(CreateThread(nullptr, 0, &CProducingPlugIn::Produce, this, 0, nullptr))
    {
    }
    ~CProducingPlugIn() override
    {
        SetEvent(m_stop);
        if (m_thread) {
            WaitForSingleObject(m_thread, INFINITE);
            CloseHandle(m_thread);
        }
        CloseHandle(m_stop);
    }

    STDMETHODIMP Init(VARIANT, VARIANT*) override { return E_NOTIMPL; }
    STDMETHODIMP Add(VARIANT, VARIANT_BOOL* taken) override
    {
        *taken = VARIANT_FALSE;
        return S_OK;
    }
    STDMETHODIMP Get(VARIANT* result) override
    {
        std::string pending;
        {
            std::lock_guard<std::mutex> guard(m_mutex);
            pending.swap(m_pending);
        }
        VariantInit(result);
        if (pending.empty())
            return E_PENDING;
        V_VT(result) = VT_BSTR;
        V_BSTR(result) = SysAllocStringByteLen(pending.data(), static_cast<UINT>(pending.size()));
        return V_BSTR(result) ? S_OK : E_OUTOFMEMORY;
    }
    STDMETHODIMP Set(unsigned short, VARIANT) override { return S_OK; }

private:
    static DWORD WINAPI Produce(void* argument)
    {
        auto* self = static_cast<CProducingPlugIn*>(argument);
        for (unsigned number = 1; WaitForSingleObject(self->m_stop, 1000) == WAIT_TIMEOUT;
             ++number) {
            char label[16];
            std::snprintf(label, sizeof(label), "r%07u:", number);
            std::string result(label);
            result.resize(self->m_size, 'x');
            std::lock_guard<std::mutex> guard(self->m_mutex);
            self->m_pending += result;
        }
        return 0;
    }

    const unsigned m_size;
    std::mutex m_mutex;
    std::string m_pending;
    HANDLE m_stop;
    HANDLE m_thread;
};
