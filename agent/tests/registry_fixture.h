// Tests that own the agent's registry keys in the test prefix: each starts from nothing.
#pragma once

#include "registry_paths.h"

#include <gtest/gtest.h>
#include <windows.h>

class TolvaneRegistryTest : public ::testing::Test {
protected:
    void SetUp() override { RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\TolvaneCorp"); }
    void TearDown() override { RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\TolvaneCorp"); }

    static HKEY CreateKey(const wchar_t* path)
    {
        HKEY key = nullptr;
        EXPECT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                  &key, nullptr),
                  ERROR_SUCCESS);
        return key;
    }
    static bool KeyExists(const wchar_t* path)
    {
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
            return false;
        RegCloseKey(key);
        return true;
    }
    static void SetDWord(const wchar_t* path, const wchar_t* name, DWORD value)
    {
        HKEY key = CreateKey(path);
        RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<BYTE*>(&value), sizeof(value));
        RegCloseKey(key);
    }
    static void SetRaw(const wchar_t* path, const wchar_t* name, DWORD type, const void* data,
                       DWORD bytes)
    {
        HKEY key = CreateKey(path);
        RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), bytes);
        RegCloseKey(key);
    }
    static std::wstring ReadWide(const wchar_t* path, const wchar_t* name)
    {
        wchar_t buffer[512] = {};
        DWORD bytes = sizeof(buffer) - sizeof(wchar_t);
        DWORD type = 0;
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
            return L"<no key>";
        LONG rc =
            RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &bytes);
        RegCloseKey(key);
        if (rc != ERROR_SUCCESS)
            return L"<no value>";
        return type == REG_SZ ? std::wstring(buffer) : L"<not REG_SZ>";
    }
};
