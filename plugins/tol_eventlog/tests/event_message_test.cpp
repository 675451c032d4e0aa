// Message texts through Wine's real registry, FormatMessage and message files built with
// windmc (evt_messages_test.dll and evt_messages_second.dll beside the test).
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

std::wstring FirstFile()
{
    return ModuleFolder() + L"\\evt_messages_test.dll";
}

std::wstring SecondFile()
{
    return ModuleFolder() + L"\\evt_messages_second.dll";
}

// The paths of the files the source's value names.
std::vector<std::wstring> Paths(const std::wstring& log, const std::wstring& source)
{
    std::vector<std::wstring> paths;
    for (const MessageFile& file : EventMessageFiles(log, source))
        paths.push_back(file.path);
    return paths;
}

std::wstring Format(DWORD id, std::vector<std::wstring> strings, size_t maxChars = 4096)
{
    std::wstring text;
    if (!FormatEventMessage(FirstFile(), id, strings, maxChars, &text))
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
    EXPECT_EQ(L"Stack overflow.\r\n", Format(1001, {L"C:"}));        // the system's own table
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
    EXPECT_FALSE(
        FormatEventMessage(ModuleFolder() + L"\\tol19_missing.dll", 1000, {L"a"}, 100, &text));
}

TEST_F(EventMessageFileTest, ValueIsExpandedAndTerminated)
{
    SetEnvironmentVariableW(L"TOL19_EVT_DIR", ModuleFolder().c_str());
    SetValue(L"Expanded", REG_EXPAND_SZ, L"%TOL19_EVT_DIR%\\evt_messages_test.dll");
    EXPECT_EQ(std::vector<std::wstring>{FirstFile()}, Paths(kLog, L"Expanded"));

    SetValue(L"Plain", REG_SZ, L"C:\\x.dll");  // stored without its NUL
    EXPECT_EQ(std::vector<std::wstring>{L"C:\\x.dll"}, Paths(kLog, L"Plain"));

    SetValue(L"Unknown", REG_EXPAND_SZ, L"%TOL19_NOT_SET%\\y.dll");
    EXPECT_EQ(std::vector<std::wstring>{L"%TOL19_NOT_SET%\\y.dll"}, Paths(kLog, L"Unknown"));

    // A list longer than one path, expanded as a whole.
    std::wstring list = L"%TOL19_EVT_DIR%\\evt_messages_test.dll;" + std::wstring(250, L'd') +
                        L".dll; %TOL19_EVT_DIR%\\evt_messages_second.dll";
    SetValue(L"List", REG_EXPAND_SZ, list);
    EXPECT_EQ(
        (std::vector<std::wstring>{FirstFile(), std::wstring(250, L'd') + L".dll", SecondFile()}),
        Paths(kLog, L"List"));
}

TEST_F(EventMessageFileTest, MissingOrOversizedValuesGiveNone)
{
    const std::vector<std::wstring> none;
    EXPECT_EQ(none, Paths(kLog, L"NoSuchSource"));
    EXPECT_EQ(none, Paths(L"Tol19NoSuchLog", L"NoSuchSource"));
    SetValue(L"TooLong", REG_SZ, std::wstring(400, L'x'));  // no file has such a name
    EXPECT_EQ(none, Paths(kLog, L"TooLong"));
    SetValue(L"Huge", REG_SZ, std::wstring(5000, L'x'));
    EXPECT_EQ(none, Paths(kLog, L"Huge"));
    SetValue(L"Number", REG_BINARY, L"ab");
    EXPECT_EQ(none, Paths(kLog, L"Number"));
    // A key path that does not fit is not cut down to another source's key.
    SetValue(L"S", REG_SZ, FirstFile());
    EXPECT_EQ(none, Paths(kLog, L"S" + std::wstring(300, L'\\')));
}

TEST_F(EventMessageFileTest, MessageTextOfARecord)
{
    SetValue(L"Tol19Source", REG_SZ, FirstFile());
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

// A list is tried in order until a file holds the message; the system's own table answers
// only for a message that none of them holds.
TEST_F(EventMessageFileTest, ListsAreTriedInOrder)
{
    SetValue(L"Both", REG_SZ, FirstFile() + L";" + SecondFile());
    SetValue(L"Reversed", REG_SZ, SecondFile() + L";" + FirstFile());
    SetValue(L"MissingFirst", REG_SZ, ModuleFolder() + L"\\tol19_missing.dll;" + SecondFile());
    struct Case {
        const wchar_t* source;
        DWORD eventId;
        std::vector<std::wstring> strings;
        std::wstring message;
    } cases[] = {
        {L"Both", 0x80000BB8, {L"x", L"y"}, L"Only the second file has x and y.\r\n"},
        {L"Both", 2, {L"it"}, L"Second file: it is here.\r\n"},  // not the system's text
        {L"Both", 1000, {L"a", L"b", L"c"}, L"Service a started on b with c.\r\n"},
        {L"Both", 0xC00003E9, {L"C:"}, L"Disk C: failed.\r\n"},
        {L"Both", 1001, {L"C:"}, L"Stack overflow.\r\n"},  // neither file: the system's
        {L"Both", 0x2FFFFFFF, {L"d", L"e"}, L"d,e"},
        {L"Reversed", 1000, {L"a", L"b", L"c"}, L"Second file's service a.\r\n"},
        {L"MissingFirst", 0x80000BB8, {L"x", L"y"}, L"Only the second file has x and y.\r\n"},
    };
    CEventMessages messages(kLog);
    for (const Case& c : cases) {
        EventRecordView record;
        record.source = c.source;
        record.eventId = c.eventId;
        record.strings = c.strings;
        record.stringBytes = 64;
        EXPECT_EQ(c.message, messages.MessageText(record)) << c.source << " " << c.eventId;
    }
}

// A value that names the system folder through %SystemRoot%, as most sources' values do.
TEST_F(EventMessageFileTest, FileInTheSystemFolder)
{
    wchar_t folder[MAX_PATH];
    ASSERT_NE(0u, GetSystemDirectoryW(folder, MAX_PATH));
    std::wstring copy = std::wstring(folder) + L"\\tol19_evt_system32.dll";
    ASSERT_TRUE(CopyFileW(SecondFile().c_str(), copy.c_str(), FALSE));
    SetValue(L"System", REG_EXPAND_SZ,
             L"%SystemRoot%\\System32\\tol19_evt_system32.dll;" + FirstFile());
    EventRecordView record;
    record.source = L"System";
    record.eventId = 0x80000BB8;
    record.strings = {L"x", L"y"};
    record.stringBytes = 4;
    std::wstring text;
    {
        CEventMessages messages(kLog);
        text = messages.MessageText(record);
    }
    DeleteFileW(copy.c_str());
    EXPECT_EQ(L"Only the second file has x and y.\r\n", text);
}

// What LoadMessageFile gave: the second file's message table, or nothing.
void ExpectSecondFile(HMODULE module)
{
    ASSERT_NE(nullptr, module);
    std::wstring text;
    EXPECT_TRUE(HoldsEventMessage(module, 0x80000BB8));
    EXPECT_FALSE(HoldsEventMessage(module, 1001));
    EXPECT_TRUE(FormatEventMessage(module, 0x80000BB8, {L"x", L"y"}, 100, &text));
    EXPECT_EQ(L"Only the second file has x and y.\r\n", text);
    FreeLibrary(module);
}

// A file missing from its path is looked for at its native path.
TEST(EventMessage, FilesLoadFromEitherPath)
{
    const std::wstring missing = ModuleFolder() + L"\\tol19_missing.dll";
    ExpectSecondFile(LoadMessageFile({SecondFile(), L""}));
    ExpectSecondFile(LoadMessageFile({missing, SecondFile()}));
    EXPECT_EQ(nullptr, LoadMessageFile({missing, L""}));
    EXPECT_EQ(nullptr, LoadMessageFile({L"", L""}));
}

// A file is mapped for its resources only, so one of the other bitness loads as well, which
// a load as a program module refuses.
TEST(EventMessage, FileOfTheOtherBitnessLoads)
{
    std::wstring foreign = ModuleFolder() + L"\\evt_messages_foreign.dll";
    if (GetFileAttributesW(foreign.c_str()) == INVALID_FILE_ATTRIBUTES)
        GTEST_SKIP() << "this toolchain makes no message file of the other bitness";
    EXPECT_EQ(nullptr, LoadLibraryExW(foreign.c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES));
    ExpectSecondFile(LoadMessageFile({foreign, L""}));
}

}  // namespace
