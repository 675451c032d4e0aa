#include <gtest/gtest.h>

#include <string>

#include "registry_script.h"

namespace {

const wchar_t kBase[] = L"Software\\TolvaneComTest";

bool KeyExists(HKEY root, const std::wstring& path)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

std::wstring ReadText(HKEY root, const std::wstring& path, const wchar_t* name)
{
    wchar_t buffer[512] = {};
    DWORD size = sizeof(buffer);
    if (RegGetValueW(root, path.c_str(), name, RRF_RT_REG_SZ, nullptr, buffer, &size) !=
        ERROR_SUCCESS)
        return L"<missing>";
    return buffer;
}

class RegistryScriptTest : public ::testing::Test {
protected:
    void SetUp() override { RegDeleteTreeW(HKEY_CURRENT_USER, kBase); }
    void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, kBase); }
};

const CRegistryReplacement kReplacements[] = {
    {L"MODULE", L"C:\\Program Files\\Tolvane\\x.dll"},
    {L"CLSID", L"{01234567-89AB-CDEF-0123-456789ABCDEF}"},
};

}  // namespace

TEST_F(RegistryScriptTest, RegistersKeysValuesAndReplacements)
{
    const wchar_t script[] =
        L"# a comment\r\n"
        L"key   HKCU\\Software\\TolvaneComTest\\A\\%CLSID% = \"Class Text\"\r\n"
        L"\r\n"
        L"key   HKCU\\Software\\TolvaneComTest\\A\\%CLSID%\\Server = \"%MODULE%\"\n"
        L"value HKCU\\Software\\TolvaneComTest\\A\\%CLSID%\\Server ThreadingModel = \"Free\"\n"
        L"value \"HKCU\\Software\\TolvaneComTest\\A\\%CLSID%\" \"Two Words\" = \"say \"\"hi\"\" "
        L"100%%\"\n"
        L"value HKCU\\Software\\TolvaneComTest\\A\\%CLSID% Count = dword:0x1F\n";
    ASSERT_EQ(S_OK, RunRegistryScript(script, kReplacements, 2, true));

    std::wstring key = std::wstring(kBase) + L"\\A\\{01234567-89AB-CDEF-0123-456789ABCDEF}";
    EXPECT_EQ(L"Class Text", ReadText(HKEY_CURRENT_USER, key, nullptr));
    EXPECT_EQ(L"C:\\Program Files\\Tolvane\\x.dll",
              ReadText(HKEY_CURRENT_USER, key + L"\\Server", nullptr));
    EXPECT_EQ(L"Free", ReadText(HKEY_CURRENT_USER, key + L"\\Server", L"ThreadingModel"));
    EXPECT_EQ(L"say \"hi\" 100%", ReadText(HKEY_CURRENT_USER, key, L"Two Words"));
    DWORD count = 0;
    DWORD size = sizeof(count);
    ASSERT_EQ(ERROR_SUCCESS, RegGetValueW(HKEY_CURRENT_USER, key.c_str(), L"Count",
                                          RRF_RT_REG_DWORD, nullptr, &count, &size));
    EXPECT_EQ(0x1Fu, count);

    ASSERT_EQ(S_OK, RunRegistryScript(script, kReplacements, 2, false));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, key));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, std::wstring(kBase) + L"\\A"));  // parents stay
}

TEST_F(RegistryScriptTest, FreshKeysLoseWhatWasThereAndKeptKeysSurviveUnregistration)
{
    std::wstring stale = std::wstring(kBase) + L"\\F\\Stale";
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, stale.c_str(), 0, nullptr, 0,
                                             KEY_WRITE, nullptr, &key, nullptr));
    RegCloseKey(key);
    const wchar_t script[] =
        L"fresh HKCU\\Software\\TolvaneComTest\\F = \"new\"\n"
        L"keep  HKCU\\Software\\TolvaneComTest\\K\n"
        L"value HKCU\\Software\\TolvaneComTest\\K Mine = \"1\"\n";
    ASSERT_EQ(S_OK, RunRegistryScript(script, nullptr, 0, true));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, stale));
    EXPECT_EQ(L"new", ReadText(HKEY_CURRENT_USER, std::wstring(kBase) + L"\\F", nullptr));

    ASSERT_EQ(S_OK, RunRegistryScript(script, nullptr, 0, false));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, std::wstring(kBase) + L"\\F"));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, std::wstring(kBase) + L"\\K"));
    EXPECT_EQ(L"<missing>", ReadText(HKEY_CURRENT_USER, std::wstring(kBase) + L"\\K", L"Mine"));
    // Unregistering again finds nothing to remove and still succeeds.
    EXPECT_EQ(S_OK, RunRegistryScript(script, nullptr, 0, false));
}

TEST_F(RegistryScriptTest, PerUserRunsMapClassesRootToTheUsersClasses)
{
    const wchar_t script[] = L"key HKCR\\TolvaneComTest.PerUser = \"x\"\n";
    ASSERT_EQ(S_OK, RunRegistryScript(script, nullptr, 0, true, true));
    EXPECT_EQ(L"x",
              ReadText(HKEY_CURRENT_USER, L"Software\\Classes\\TolvaneComTest.PerUser", nullptr));
    ASSERT_EQ(S_OK, RunRegistryScript(script, nullptr, 0, false, true));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, L"Software\\Classes\\TolvaneComTest.PerUser"));
}

TEST_F(RegistryScriptTest, MalformedScriptsFailBeforeTouchingTheRegistry)
{
    const wchar_t* bad[] = {
        L"key HKCU\\Software\\TolvaneComTest\\B\nkey HKXX\\Software\\Nope\n",  // unknown root
        L"key HKCU\\Software\\TolvaneComTest\\B\nkey HKCU\\%NOPE%\n",  // unknown replacement
        L"key HKCU\\Software\\TolvaneComTest\\B\nvalue HKCU\\Software\\X Name\n",  // value without
                                                                                   // data
        L"key HKCU\\Software\\TolvaneComTest\\B\nkey HKCU\\Software\\X = \"open\n",  // open quote
        L"key HKCU\\Software\\TolvaneComTest\\B\nvalue HKCU\\Software\\X N = dword:x\n",
        L"key HKCU\\Software\\TolvaneComTest\\B\ncreate HKCU\\Software\\X\n",  // unknown statement
        L"key HKCU\n",                                                         // a bare root
    };
    for (const wchar_t* script : bad) {
        EXPECT_EQ(E_INVALIDARG, RunRegistryScript(script, kReplacements, 2, true)) << script;
        EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, std::wstring(kBase) + L"\\B")) << script;
    }
}
