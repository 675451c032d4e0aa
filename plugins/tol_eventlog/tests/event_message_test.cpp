// Message texts through Wine's real registry, FormatMessage and a message file built with
// windmc (evt_messages_test.dll beside the test).
#include "event_message.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const wchar_t kLog[] = L"Tol19UnitLog";
const wchar_t kLogKey[] = L"SYSTEM\\CurrentControlSet\\Services\\EventLog\\Tol19UnitLog";

std::wstring ModuleFolder()
{
    wchar_t path[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path, n);
    return folder.substr(0, folder.find_last_of(L"\\/"));
}

std::wstring MessageFile()
{
    return ModuleFolder() + L"\\evt_messages_test.dll";
}

std::wstring Format(DWORD id, std::vector<std::wstring> strings, size_t maxChars = 4096)
{
    std::wstring text;
    if (!FormatEventMessage(MessageFile(), id, strings, maxChars, &text))
        return L"(no message)";
    return text;
}

class EventMessageFileTest : public ::testing::Test {
protected:
    void TearDown() override { RegDeleteTreeW(HKEY_LOCAL_MACHINE, kLogKey); }

    // Writes the value's bytes exactly as given (no NUL added).
    void SetValue(const std::wstring& source, DWORD kind, const std::wstring& bytes)
    {
        std::wstring key = std::wstring(kLogKey) + L"\\" + source;
        HKEY handle;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0,
                                                 KEY_WRITE, nullptr, &handle, nullptr));
        ASSERT_EQ(ERROR_SUCCESS,
                  RegSetValueExW(handle, L"EventMessageFile", 0, kind,
                                 reinterpret_cast<const BYTE*>(bytes.data()),
                                 static_cast<DWORD>(bytes.size() * sizeof(wchar_t))));
        RegCloseKey(handle);
    }
};

TEST(EventMessage, InsertsGoIntoTheMessage)
{
    EXPECT_EQ(L"Service a started on b with c.\r\n", Format(1000, {L"a", L"b", L"c"}));
    EXPECT_EQ(L"Disk C: failed.\r\n", Format(0xC00003E9, {L"C:"}));  // the full identifier
    EXPECT_EQ(L"Stack overflow.\r\n", Format(1001, {L"C:"}));  // the system's own table
    EXPECT_EQ(L"(no message)", Format(0x2FFFFFFF, {L"x"}));
    EXPECT_EQ(L"A fixed text without inserts.\r\n", Format(1004, {L"unused"}));
    EXPECT_EQ(L"Service a", Format(1000, {L"a", L"b", L"c"}, 9));
}

// Any local program may write a record with fewer strings than its message names: the
// missing inserts are empty, and nothing is read beyond the strings.
TEST(EventMessage, MissingAndTypedInsertsAreEmpty)
{
    EXPECT_EQ(L"Inserts one" + std::wstring(8, L' ') + L"end.\r\n", Format(1002, {L"one"}));
    EXPECT_EQ(L"Inserts" + std::wstring(9, L' ') + L"end.\r\n", Format(1002, {}));
    EXPECT_EQ(L"Typed a     b    | end.\r\n", Format(1003, {L"a", L"b"}));
    std::vector<std::wstring> many;
    for (int i = 1; i <= 120; ++i)
        many.push_back(std::to_wstring(i));
    EXPECT_EQ(L"Inserts 1 2 3 4 5 9 50 99 end.\r\n", Format(1002, many));
}

TEST(EventMessage, WithoutAMessageFileTheStringsAreJoined)
{
    EXPECT_EQ(L"a,b,c", JoinInsertionStrings({L"a", L"b", L"c"}));
    EXPECT_EQ(L",x,", JoinInsertionStrings({L"", L"x", L""}));
    EXPECT_EQ(L"", JoinInsertionStrings({}));
    std::wstring text;
    EXPECT_FALSE(FormatEventMessage(L"", 1000, {L"a"}, 100, &text));
    EXPECT_FALSE(FormatEventMessage(ModuleFolder() + L"\\tol19_missing.dll", 1000, {L"a"}, 100,
                                    &text));
}

TEST_F(EventMessageFileTest, ValueIsExpandedAndTerminated)
{
    SetEnvironmentVariableW(L"TOL19_EVT_DIR", ModuleFolder().c_str());
    SetValue(L"Expanded", REG_EXPAND_SZ, L"%TOL19_EVT_DIR%\\evt_messages_test.dll");
    EXPECT_EQ(MessageFile(), EventMessageFile(kLog, L"Expanded"));

    SetValue(L"Plain", REG_SZ, L"C:\\x.dll");  // stored without its NUL
    EXPECT_EQ(L"C:\\x.dll", EventMessageFile(kLog, L"Plain"));

    SetValue(L"Unknown", REG_EXPAND_SZ, L"%TOL19_NOT_SET%\\y.dll");
    EXPECT_EQ(L"%TOL19_NOT_SET%\\y.dll", EventMessageFile(kLog, L"Unknown"));
}

TEST_F(EventMessageFileTest, MissingOrOversizedValuesGiveNone)
{
    EXPECT_EQ(L"", EventMessageFile(kLog, L"NoSuchSource"));
    EXPECT_EQ(L"", EventMessageFile(L"Tol19NoSuchLog", L"NoSuchSource"));
    SetValue(L"TooLong", REG_SZ, std::wstring(400, L'x'));
    EXPECT_EQ(L"", EventMessageFile(kLog, L"TooLong"));
    SetValue(L"Number", REG_BINARY, L"ab");
    EXPECT_EQ(L"", EventMessageFile(kLog, L"Number"));
    // A key path that does not fit is not cut down to another source's key.
    SetValue(L"S", REG_SZ, MessageFile());
    EXPECT_EQ(L"", EventMessageFile(kLog, L"S" + std::wstring(300, L'\\')));
}

TEST_F(EventMessageFileTest, MessageTextOfARecord)
{
    SetValue(L"Tol19Source", REG_SZ, MessageFile());
    CEventMessages messages(kLog);
    EventRecordView record;
    record.source = L"Tol19Source";
    record.eventId = 1000;
    EXPECT_EQ(L"", messages.MessageText(record));  // no strings: no message at all

    record.strings = {L"a", L"b", L"c"};
    record.stringBytes = 12;
    EXPECT_EQ(L"Service a started on b with c.\r\n", messages.MessageText(record));
    record.strings = {L"d", L"e", L"f"};
    EXPECT_EQ(L"Service d started on e with f.\r\n", messages.MessageText(record));
    record.eventId = 0x2FFFFFFF;  // the file has no such message
    EXPECT_EQ(L"d,e,f", messages.MessageText(record));
    record.source = L"Tol19Other";
    EXPECT_EQ(L"d,e,f", messages.MessageText(record));
}

}  // namespace
