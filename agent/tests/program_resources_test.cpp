// What Tolvane.exe carries besides code: the service name and description, the message table
// of its event-log entries, its registry scripts and its type library.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

namespace {

class ProgramResourcesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_program = LoadLibraryExW(L"Tolvane.exe", nullptr,
                                   LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
        ASSERT_NE(m_program, nullptr) << GetLastError();
    }
    void TearDown() override { FreeLibrary(m_program); }

    std::wstring String(UINT id)
    {
        wchar_t text[256] = {};
        LoadStringW(m_program, id, text, 256);
        return text;
    }
    std::wstring Message(DWORD id, const wchar_t* insert)
    {
        wchar_t* text = nullptr;
        DWORD_PTR args[1] = {reinterpret_cast<DWORD_PTR>(insert)};
        DWORD n =
            FormatMessageW(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_ALLOCATE_BUFFER |
                               FORMAT_MESSAGE_ARGUMENT_ARRAY,
                           m_program, id, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US),
                           reinterpret_cast<wchar_t*>(&text), 0, reinterpret_cast<va_list*>(args));
        std::wstring result = n ? std::wstring(text, n) : L"<none>";
        LocalFree(text);
        while (!result.empty() && (result.back() == L'\n' || result.back() == L'\r'))
            result.pop_back();
        return result;
    }
    HMODULE m_program = nullptr;
};

TEST_F(ProgramResourcesTest, ServiceNameAndDescription)
{
    EXPECT_EQ(String(100), L"Tolvane Quorin Agent");
    EXPECT_EQ(String(101), L"Tolvane internal monitoring tool.");
}

TEST_F(ProgramResourcesTest, EventLogMessagesWrapTheEntrysText)
{
    EXPECT_EQ(Message(0, L"Service started"),
              L"Tolvane Inc.: Tolvane Quorin Agent: Service started");
    EXPECT_EQ(Message(1, L"Agent is down."),
              L"Tolvane Inc.: Tolvane Quorin Agent, the following error occurred: Agent is down.");
    EXPECT_EQ(Message(2, L"Authorization is successfully finished."),
              L"Tolvane Inc.: Tolvane Quorin Agent, Status Information: "
              L"Authorization is successfully finished.");
}

TEST_F(ProgramResourcesTest, RegistryScriptsAndTypeLibrary)
{
    EXPECT_NE(FindResourceW(m_program, MAKEINTRESOURCEW(100), L"REGISTRY"), nullptr);
    EXPECT_NE(FindResourceW(m_program, MAKEINTRESOURCEW(101), L"REGISTRY"), nullptr);
    EXPECT_NE(FindResourceW(m_program, MAKEINTRESOURCEW(1), L"TYPELIB"), nullptr);
}

// The automation interface as clients see it through the program's type library.
TEST_F(ProgramResourcesTest, AutomationInterfaceKeepsItsDispatchIds)
{
    ITypeLib* library = nullptr;
    ASSERT_EQ(LoadTypeLibEx(L"Tolvane.exe", REGKIND_NONE, &library), S_OK);
    const GUID agentInterface = {
        0xD60C08D9, 0x95D2, 0x4E35, {0x9A, 0x87, 0x23, 0x2B, 0xE9, 0x5C, 0x21, 0xD4}};
    const GUID events = {
        0x7FE7EEE8, 0xBAB3, 0x43D2, {0x87, 0x81, 0x07, 0xAE, 0x51, 0x79, 0xB5, 0xEF}};
    struct Expected {
        const GUID* iid;
        const wchar_t* name;
        DISPID id;
    } table[] = {
        {&agentInterface, L"StartWork", 1},         {&agentInterface, L"StopWork", 2},
        {&agentInterface, L"GetStatus", 3},         {&agentInterface, L"GetCurrentTestsList", 4},
        {&agentInterface, L"Register", 5},          {&agentInterface, L"GetRegisteredEMail", 6},
        {&agentInterface, L"GetRegisteredName", 7}, {&agentInterface, L"UnRegister", 8},
        {&agentInterface, L"SetProxy", 10},         {&agentInterface, L"GetProxy", 11},
        {&agentInterface, L"IsTraceOn", 12},        {&agentInterface, L"SetTrace", 13},
        {&events, L"TestListChanged", 1},           {&events, L"StatusChanged", 2},
    };
    for (const Expected& e : table) {
        ITypeInfo* info = nullptr;
        ASSERT_EQ(library->GetTypeInfoOfGuid(*e.iid, &info), S_OK);
        LPOLESTR name = const_cast<LPOLESTR>(e.name);
        MEMBERID id = DISPID_UNKNOWN;
        EXPECT_EQ(info->GetIDsOfNames(&name, 1, &id), S_OK) << e.name;
        EXPECT_EQ(id, e.id) << e.name;
        info->Release();
    }
    library->Release();
}

}  // namespace
