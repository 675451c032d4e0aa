#include "agent_settings.h"
#include "heap_helpers.h"
#include "registry_fixture.h"

#include <string>

namespace {

// Takes a heap text and frees it; "<null>" for null.
std::string Take(char* text)
{
    std::string s = text ? text : "<null>";
    FreeHeapBlock(text);
    return s;
}

using AgentSettingsTest = TolvaneRegistryTest;

TEST_F(AgentSettingsTest, MissingKeysReadAsNothingAndAreNeverCreated)
{
    CAgentSettings settings;
    EXPECT_FALSE(settings.IsAgentKeyOpen());
    EXPECT_FALSE(settings.IsSettingsKeyOpen());
    EXPECT_EQ(Take(settings.GetEMail()), "<null>");
    EXPECT_EQ(Take(settings.GetHost()), "<null>");
    EXPECT_EQ(settings.GetTrace(), 0u);
    EXPECT_EQ(settings.GetSettingsDWord(L"Trace", 7), 0u);
    EXPECT_FALSE(settings.SetEMail("a@b.c"));
    EXPECT_FALSE(settings.SetProxySetting("proxy:8080"));
    EXPECT_FALSE(settings.SetTraceValue(10));
    EXPECT_FALSE(KeyExists(TOL_REG_SETTINGS_KEY));
    EXPECT_FALSE(KeyExists(TOL_REG_AGENT_KEY));
}

TEST_F(AgentSettingsTest, SettingsTextsAreUtf16InTheRegistryAndUtf8Inside)
{
    RegCloseKey(CreateKey(TOL_REG_SETTINGS_KEY));
    const wchar_t* host = L"https://s\u00fcrver.example/fcgi-bin/\u65e5";
    SetRaw(TOL_REG_SETTINGS_KEY, L"Host", REG_SZ, host, (wcslen(host) + 1) * 2);

    CAgentSettings settings;
    ASSERT_TRUE(settings.IsSettingsKeyOpen());
    EXPECT_EQ(Take(settings.GetHost()), "https://s\xc3\xbcrver.example/fcgi-bin/\xe6\x97\xa5");

    EXPECT_TRUE(settings.SetProxySetting("pr\xc3\xb6xy:3128"));
    EXPECT_EQ(ReadWide(TOL_REG_SETTINGS_KEY, L"Proxy"), L"pr\u00f6xy:3128");
    EXPECT_EQ(Take(settings.GetProxySetting()), "pr\xc3\xb6xy:3128");

    EXPECT_TRUE(settings.SetProxySetting(""));
    EXPECT_EQ(ReadWide(TOL_REG_SETTINGS_KEY, L"Proxy"), L"");
    EXPECT_TRUE(settings.SetSettingsText(L"Proxy", nullptr));
    EXPECT_EQ(ReadWide(TOL_REG_SETTINGS_KEY, L"Proxy"), L"");
    EXPECT_EQ(Take(settings.GetVersion()), "<null>");
}

TEST_F(AgentSettingsTest, TextValuesOfOtherShapesReadAsNull)
{
    DWORD number = 5;
    SetRaw(TOL_REG_SETTINGS_KEY, L"Version", REG_DWORD, &number, sizeof(number));
    const wchar_t expand[] = L"%TEMP%\\x";
    SetRaw(TOL_REG_SETTINGS_KEY, L"Proxy", REG_EXPAND_SZ, expand, sizeof(expand));

    CAgentSettings settings;
    EXPECT_EQ(Take(settings.GetVersion()), "<null>");
    EXPECT_EQ(Take(settings.GetProxySetting()), "%TEMP%\\x");
}

TEST_F(AgentSettingsTest, TraceIsADWord)
{
    struct Case {
        DWORD type;
        DWORD value;
        DWORD expected;
    } cases[] = {{REG_DWORD, 10, 10}, {REG_DWORD, 1, 1}, {REG_DWORD, 0, 0}, {REG_SZ, 10, 0}};
    for (const auto& c : cases) {
        if (c.type == REG_DWORD)
            SetDWord(TOL_REG_SETTINGS_KEY, L"Trace", c.value);
        else
            SetRaw(TOL_REG_SETTINGS_KEY, L"Trace", REG_SZ, L"10", 6);
        CAgentSettings settings;
        EXPECT_EQ(settings.GetTrace(), c.expected) << c.type << " " << c.value;
    }
    CAgentSettings settings;
    EXPECT_TRUE(settings.SetTraceValue(10));
    EXPECT_EQ(settings.GetTrace(), 10u);
    RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, TOL_REG_SETTINGS_KEY, L"Trace");
    EXPECT_EQ(settings.GetSettingsDWord(L"Trace", 42), 42u);
}

TEST_F(AgentSettingsTest, AgentKeyLifeCycle)
{
    RegCloseKey(CreateKey(TOL_REG_SETTINGS_KEY));
    CAgentSettings settings;
    EXPECT_FALSE(settings.DeleteAgentKey());
    ASSERT_TRUE(settings.CreateAgentKey());
    EXPECT_TRUE(settings.SetEMail("j\xc3\xbcrgen@example.com"));
    EXPECT_TRUE(settings.SetAgentName("host-1"));
    EXPECT_TRUE(settings.SetPassword("900150983cd24fb0d6963f7d28e17f72"));
    EXPECT_FALSE(settings.SetEMail(""));
    EXPECT_FALSE(settings.SetEMail(nullptr));
    EXPECT_EQ(Take(settings.GetEMail()), "j\xc3\xbcrgen@example.com");
    EXPECT_EQ(ReadWide(TOL_REG_AGENT_KEY, L"E-Mail"), L"j\u00fcrgen@example.com");

    // A second store sees what the first wrote.
    CAgentSettings other;
    EXPECT_EQ(Take(other.GetAgentName()), "host-1");

    EXPECT_TRUE(settings.DeleteAgentKey());
    EXPECT_FALSE(KeyExists(TOL_REG_AGENT_KEY));
    EXPECT_TRUE(KeyExists(TOL_REG_SETTINGS_KEY));
    EXPECT_EQ(Take(settings.GetEMail()), "<null>");
    EXPECT_FALSE(settings.SetEMail("x@y.z"));
    EXPECT_FALSE(settings.DeleteAgentKey());

    ASSERT_TRUE(settings.CreateAgentKey());
    EXPECT_TRUE(settings.SetEMail("x@y.z"));
    EXPECT_EQ(Take(settings.GetEMail()), "x@y.z");
    settings.CloseKeys();
    EXPECT_EQ(Take(settings.GetEMail()), "<null>");
}

}  // namespace
