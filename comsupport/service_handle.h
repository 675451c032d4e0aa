// CServiceHandle: an owning handle of the service control manager or of one service.
#pragma once

#include <windows.h>

class CServiceHandle {
public:
    explicit CServiceHandle(SC_HANDLE handle) : m_handle(handle) {}
    ~CServiceHandle()
    {
        if (m_handle)
            CloseServiceHandle(m_handle);
    }
    CServiceHandle(const CServiceHandle&) = delete;
    CServiceHandle& operator=(const CServiceHandle&) = delete;

    operator SC_HANDLE() const { return m_handle; }
    bool operator!() const { return m_handle == nullptr; }

private:
    SC_HANDLE m_handle;
};
