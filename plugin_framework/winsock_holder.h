// CWinsockHolder: Winsock 2.0 held by a plug-in object from a successful Init to its release;
// cleaned up only when it was started.
#pragma once

#include <winsock2.h>
#include <windows.h>

class CWinsockHolder {
public:
    CWinsockHolder() = default;
    ~CWinsockHolder() { Release(); }
    CWinsockHolder(const CWinsockHolder&) = delete;
    CWinsockHolder& operator=(const CWinsockHolder&) = delete;

    // True when Winsock is held afterwards.
    bool Acquire()
    {
        WSADATA data;
        if (!m_started)
            m_started = WSAStartup(MAKEWORD(2, 0), &data) == 0;
        return m_started;
    }

    void Release()
    {
        if (m_started)
            WSACleanup();
        m_started = false;
    }

private:
    bool m_started = false;
};
