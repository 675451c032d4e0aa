// The stand-in shell and the shell routines the agent and the Updater share: items of a zip
// and of a folder, the asynchronous copy with its switches, and the wait for copied items.
#include "heap_helpers.h"
#include "shell_items.h"
#include "standin_copy.h"
#include "standin_shell.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::wstring ExeFolder()
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder = path;
    return folder.substr(0, folder.find_last_of(L'\\'));
}

std::wstring Fixture()
{
    return ExeFolder() + L"\\standin_fixture.zip";
}

// A fresh folder in the temporary folder, removed with everything in it.
class CTempFolder {
public:
    CTempFolder()
    {
        static int count = 0;
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        m_path = std::wstring(temp) + L"tol24-standin-" + std::to_wstring(GetCurrentProcessId()) +
                 L"-" + std::to_wstring(++count);
        CreateDirectoryW(m_path.c_str(), nullptr);
    }
    ~CTempFolder()
    {
        // The temporary folder's path is plain ASCII here.
        DeleteDirectoryTree(std::string(m_path.begin(), m_path.end()));
    }
    const std::wstring& Path() const { return m_path; }
    std::wstring operator/(const wchar_t* name) const { return m_path + L"\\" + name; }

private:
    std::wstring m_path;
};

std::string Contents(const std::wstring& path)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return "<missing>";
    std::string bytes;
    char chunk[4096];
    DWORD read = 0;
    while (ReadFile(file, chunk, sizeof(chunk), &read, nullptr) && read > 0)
        bytes.append(chunk, read);
    CloseHandle(file);
    return bytes;
}

void Write(const std::wstring& path, const std::string& bytes)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

bool Exists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool WaitFor(const std::vector<std::wstring>& paths)
{
    for (int round = 0; round < 500; ++round) {
        bool all = true;
        for (const std::wstring& path : paths)
            all = all && Exists(path);
        if (all)
            return true;
        Sleep(20);
    }
    return false;
}

class CRecorder : public IItemPresenceObserver {
public:
    void OnChecking(const std::wstring& target) override { checked.push_back(target); }
    void OnMissing(const std::wstring& target) override { missing.push_back(target); }
    std::vector<std::wstring> checked;
    std::vector<std::wstring> missing;
};

class StandInShellTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        CComObject<CStandInShell>* object = nullptr;
        ASSERT_EQ(CComObject<CStandInShell>::CreateInstance(&object), S_OK);
        m_shell = object;
    }
    std::vector<std::wstring> Names(FolderItems* items)
    {
        std::vector<std::wstring> names;
        for (long index = 0; index < ShellItemCount(items); ++index) {
            std::wstring name;
            EXPECT_TRUE(ShellItemName(items, index, &name));
            names.push_back(name);
        }
        return names;
    }
    CComPtr<FolderItems> ZipItems()
    {
        return ShellFolderItems(ShellNameSpace(m_shell, Fixture().c_str()));
    }
    CComPtr<IShellDispatch> m_shell;
};

const std::vector<std::wstring> kZipItems = {L"Updater.exe", L"data.txt", L"sub", L"empty.txt"};

std::string FixtureProgram()
{
    std::string bytes = "MZ";
    for (int round = 0; round < 40; ++round) {
        for (int value = 0; value < 256; ++value)
            bytes += static_cast<char>(value);
    }
    return bytes;
}

TEST_F(StandInShellTest, ZipItemsAreItsTopLevelEntries)
{
    CComPtr<FolderItems> items = ZipItems();
    ASSERT_TRUE(items);
    EXPECT_EQ(Names(items), kZipItems);  // "../outside.txt" is no item
    CComPtr<FolderItem> first;
    CComVariant index(0);
    ASSERT_EQ(items->Item(index, &first), S_OK);
    CComBSTR path;
    ASSERT_EQ(first->get_Path(path.Receive()), S_OK);
    EXPECT_EQ(std::wstring(path.Get()), Fixture() + L"\\Updater.exe");
    CComPtr<FolderItem> beyond;
    CComVariant last(4);
    EXPECT_EQ(items->Item(last, &beyond), S_FALSE);
    EXPECT_FALSE(beyond);
}

TEST_F(StandInShellTest, NoFolderForAMissingPathOrAFileThatIsNoZip)
{
    CTempFolder folder;
    Write(folder / L"notes.txt", "text");
    Write(folder / L"broken.zip", "not a zip at all, not even close");
    for (const std::wstring& path :
         {folder / L"missing", folder / L"notes.txt", folder / L"broken.zip"}) {
        SCOPED_TRACE(std::string(path.begin(), path.end()));
        EXPECT_FALSE(ShellNameSpace(m_shell, path.c_str()));
    }
    EXPECT_TRUE(ShellNameSpace(m_shell, folder.Path().c_str()));
}

TEST_F(StandInShellTest, CopyHereUnpacksTheZipOnAThreadOfItsOwn)
{
    CTempFolder parent;
    std::wstring destination = parent / L"unpacked";
    CreateDirectoryW(destination.c_str(), nullptr);
    CComPtr<FolderItems> items = ZipItems();
    CComPtr<Folder> folder = ShellNameSpace(m_shell, destination.c_str());
    ASSERT_TRUE(items && folder);
    ASSERT_EQ(ShellCopyHere(folder, items, kSilentShellOptions), S_OK);

    CRecorder recorder;
    ASSERT_TRUE(WaitForShellItems(items, destination.c_str(), recorder, 100, 50));
    ASSERT_GE(recorder.checked.size(), 4u);
    EXPECT_EQ(recorder.checked[0], destination + L"\\Updater.exe");
    EXPECT_EQ(Contents(destination + L"\\Updater.exe"), FixtureProgram());
    EXPECT_EQ(Contents(destination + L"\\data.txt"), "stored as it is\r\n");
    EXPECT_EQ(Contents(destination + L"\\empty.txt"), "");
    ASSERT_TRUE(WaitFor({destination + L"\\sub\\deeper\\x.bin"}));
    EXPECT_EQ(Contents(destination + L"\\sub\\inner.txt").size(), 600u);
    EXPECT_FALSE(Exists(parent / L"outside.txt"));
}

TEST_F(StandInShellTest, CopyHereCopiesTheItemsOfAFolderReplacingWhatIsThere)
{
    CTempFolder source;
    CTempFolder destination;
    CreateDirectoryW((source / L"lib").c_str(), nullptr);
    Write(source / L"Tolvane.exe", "new program");
    Write(source.Path() + L"\\lib\\a.dll", "library");
    Write(destination / L"Tolvane.exe", "old program, longer");
    Write(destination / L"kept.txt", "kept");

    CComPtr<FolderItems> items = ShellFolderItems(ShellNameSpace(m_shell, source.Path().c_str()));
    CComPtr<Folder> folder = ShellNameSpace(m_shell, destination.Path().c_str());
    ASSERT_EQ(ShellCopyHere(folder, items, kSilentShellOptions), S_OK);
    ASSERT_TRUE(WaitFor({destination.Path() + L"\\lib\\a.dll"}));
    ASSERT_TRUE(WaitFor({destination / L"Tolvane.exe"}));
    for (int round = 0; round < 500 && Contents(destination / L"Tolvane.exe") != "new program";
         ++round)
        Sleep(20);
    EXPECT_EQ(Contents(destination / L"Tolvane.exe"), "new program");
    EXPECT_EQ(Contents(destination / L"kept.txt"), "kept");
    // A zip is no place to copy to.
    CComPtr<Folder> zip = ShellNameSpace(m_shell, Fixture().c_str());
    EXPECT_EQ(ShellCopyHere(zip, items, kSilentShellOptions), E_FAIL);
}

TEST_F(StandInShellTest, SwitchesFailTheCopyOrLeaveTheLastItemsOut)
{
    CComPtr<FolderItems> items = ZipItems();
    std::vector<StandInItem> entries = static_cast<CStandInFolderItems*>(items.Get())->Entries();
    CTempFolder failed;
    StandInCopySwitches fails;
    fails.fails = true;
    EXPECT_EQ(StartStandInCopy(entries, failed.Path(), fails), E_FAIL);

    CTempFolder shortOfOne;
    StandInCopySwitches leaveOut;
    leaveOut.leaveOut = 1;
    ASSERT_EQ(StartStandInCopy(entries, shortOfOne.Path(), leaveOut), S_OK);
    ASSERT_TRUE(
        WaitFor({shortOfOne / L"Updater.exe", shortOfOne / L"data.txt", shortOfOne / L"sub"}));
    CRecorder recorder;
    EXPECT_FALSE(WaitForShellItems(items, shortOfOne.Path().c_str(), recorder, 3, 10));
    EXPECT_EQ(recorder.missing, std::vector<std::wstring>(3, shortOfOne / L"empty.txt"));
    EXPECT_EQ(recorder.checked.size(), 12u);  // four items checked in each of three tests
    EXPECT_FALSE(Exists(failed / L"Updater.exe"));
}

}  // namespace
