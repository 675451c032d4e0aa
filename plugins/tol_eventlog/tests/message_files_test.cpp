// Which files an EventMessageFile value names, and where each is looked for.
#include "message_files.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <map>

namespace {

// %SystemRoot% and %ProgramFiles% as a 64-bit host has them; other names stay as they are.
std::wstring Expand(const std::wstring& text)
{
    static const std::map<std::wstring, std::wstring> variables = {
        {L"%SystemRoot%", L"C:\\Windows"}, {L"%ProgramFiles%", L"C:\\Program Files"}};
    std::wstring out = text;
    for (const auto& variable : variables) {
        for (size_t at; (at = out.find(variable.first)) != std::wstring::npos;)
            out.replace(at, variable.first.size(), variable.second);
    }
    return out;
}

const MessageFileSystem kNative = {false, L"C:\\Windows\\system32", L"C:\\Windows\\Sysnative"};
const MessageFileSystem kWow64 = {true, L"C:\\Windows\\system32", L"C:\\Windows\\Sysnative"};

TEST(MessageFiles, ValuesNameTheirFilesInOrder)
{
    const std::wstring longName = L"C:\\" + std::wstring(MAX_PATH, L'x') + L".dll";
    struct Case {
        std::wstring value;
        MessageFileSystem system;
        std::vector<MessageFile> files;
    } cases[] = {
        {L"C:\\a.dll", kNative, {{L"C:\\a.dll", L""}}},
        {L"%SystemRoot%\\System32\\a.dll;%ProgramFiles%\\b\\b.dll",
         kNative,
         {{L"C:\\Windows\\System32\\a.dll", L""}, {L"C:\\Program Files\\b\\b.dll", L""}}},
        // Under WOW64 a file in System32 is also looked for through Sysnative, in any case
        // and in folders below; other folders, and SysWOW64 itself, are not redirected.
        {L"%SystemRoot%\\System32\\a.dll;%ProgramFiles%\\b\\b.dll",
         kWow64,
         {{L"C:\\Windows\\System32\\a.dll", L"C:\\Windows\\Sysnative\\a.dll"},
          {L"C:\\Program Files\\b\\b.dll", L""}}},
        {L"c:\\WINDOWS\\SYSTEM32\\drivers\\d.sys",
         kWow64,
         {{L"c:\\WINDOWS\\SYSTEM32\\drivers\\d.sys", L"C:\\Windows\\Sysnative\\drivers\\d.sys"}}},
        {L"C:\\Windows\\SysWOW64\\a.dll;C:\\Windows\\System32x\\a.dll;C:\\Windows\\System32\\",
         kWow64,
         {{L"C:\\Windows\\SysWOW64\\a.dll", L""},
          {L"C:\\Windows\\System32x\\a.dll", L""},
          {L"C:\\Windows\\System32\\", L""}}},
        {L"a.dll", kWow64, {{L"a.dll", L""}}},  // found by the search path alone
        // Blanks around names and empty names between separators are dropped.
        {L" C:\\a.dll ;; C:\\b.dll;", kNative, {{L"C:\\a.dll", L""}, {L"C:\\b.dll", L""}}},
        {L"C:\\My Files\\a b.dll", kNative, {{L"C:\\My Files\\a b.dll", L""}}},
        {L"", kNative, {}},
        {L" ; ;", kNative, {}},
        // A name that cannot be a path is left out; the others still count.
        {longName + L";C:\\b.dll", kNative, {{L"C:\\b.dll", L""}}},
        {L"%NotSet%\\a.dll", kWow64, {{L"%NotSet%\\a.dll", L""}}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.files, MessageFileCandidates(c.value, Expand, c.system))
            << std::string(c.value.begin(), c.value.end());
    }
}

TEST(MessageFiles, TheValueIsExpandedBeforeItIsSplit)
{
    auto expand = [](const std::wstring& text) {
        return text == L"%Both%" ? std::wstring(L"C:\\a.dll;C:\\b.dll") : text;
    };
    std::vector<MessageFile> both = {{L"C:\\a.dll", L""}, {L"C:\\b.dll", L""}};
    EXPECT_EQ(both, MessageFileCandidates(L"%Both%", expand, kNative));
}

}  // namespace
