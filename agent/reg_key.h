// An owning registry key handle that closes itself.
#pragma once

#include <windows.h>

class CRegKeyHandle {
public:
    CRegKeyHandle() = default;
    ~CRegKeyHandle() { Close(); }
    CRegKeyHandle(const CRegKeyHandle&) = delete;
    CRegKeyHandle& operator=(const CRegKeyHandle&) = delete;

    LONG Open(HKEY parent, const wchar_t* path, REGSAM access);
    LONG Create(HKEY parent, const wchar_t* path, REGSAM access);
    void Close();

    HKEY Get() const { return m_hKey; }

private:
    HKEY m_hKey = nullptr;
    REGSAM m_samWOW64 = 0;  // registry-view flags the key was opened with
};
