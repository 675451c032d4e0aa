// CRegistryKey: an open registry key, closed with the object.
#pragma once

#include <windows.h>

class CRegistryKey {
public:
    CRegistryKey() = default;
    ~CRegistryKey()
    {
        if (m_key)
            RegCloseKey(m_key);
    }
    CRegistryKey(const CRegistryKey&) = delete;
    CRegistryKey& operator=(const CRegistryKey&) = delete;

    // Where a call that opens a key stores it; the key held so far is closed first.
    HKEY* Put()
    {
        if (m_key)
            RegCloseKey(m_key);
        m_key = nullptr;
        return &m_key;
    }
    HKEY Get() const { return m_key; }

private:
    HKEY m_key = nullptr;
};
