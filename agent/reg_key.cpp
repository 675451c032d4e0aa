#include "reg_key.h"

LONG CRegKeyHandle::Open(HKEY parent, const wchar_t* path, REGSAM access)
{
    HKEY key = nullptr;
    LONG rc = RegOpenKeyExW(parent, path, 0, access, &key);
    if (rc == ERROR_SUCCESS) {
        Close();
        m_hKey = key;
        m_samWOW64 = access & (KEY_WOW64_32KEY | KEY_WOW64_64KEY);
    }
    return rc;
}

LONG CRegKeyHandle::Create(HKEY parent, const wchar_t* path, REGSAM access)
{
    HKEY key = nullptr;
    LONG rc = RegCreateKeyExW(parent, path, 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr,
                              &key, nullptr);
    if (rc == ERROR_SUCCESS) {
        Close();
        m_hKey = key;
        m_samWOW64 = access & (KEY_WOW64_32KEY | KEY_WOW64_64KEY);
    }
    return rc;
}

void CRegKeyHandle::Close()
{
    if (m_hKey) {
        RegCloseKey(m_hKey);
        m_hKey = nullptr;
    }
    m_samWOW64 = 0;
}
