// Which installed items the Updater deletes before it copies an update in.
#include "heap_helpers.h"
#include "installed_items.h"
#include "standin_shell.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class InstalledItems : public ::testing::Test {
protected:
    void SetUp() override
    {
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        m_install = std::wstring(temp) + L"tol24-install-" + std::to_wstring(GetCurrentProcessId());
        CreateDirectoryW(m_install.c_str(), nullptr);
        CreateDirectoryW((m_install + L"\\lib").c_str(), nullptr);
        for (const wchar_t* name : {L"Tolvane.exe", L"kept.txt", L"lib\\a.dll"})
            CloseHandle(CreateFileW((m_install + L"\\" + name).c_str(), GENERIC_WRITE, 0, nullptr,
                                    CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    }
    void TearDown() override
    {
        // The temporary folder's path is plain ASCII here.
        DeleteDirectoryTree(std::string(m_install.begin(), m_install.end()));
    }
    bool Exists(const wchar_t* name) const
    {
        std::wstring path = name[0] ? m_install + L"\\" + name : m_install;
        return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
    }
    std::wstring m_install;
};

StandInItem Item(const wchar_t* path)
{
    StandInItem item;
    item.path = path;
    return item;
}

TEST_F(InstalledItems, TheUpdatesItemsAreDeletedAndANamelessOneIsPassedOver)
{
    // Items named by their paths: the last part after '\' and then after '/'.
    CComPtr<FolderItems> items;
    ASSERT_EQ(CStandInFolderItems::Create({Item(L"C:\\update\\Tolvane.exe"), Item(L"C:\\update\\"),
                                           Item(L""), Item(L"C:\\update/lib")},
                                          &items),
              S_OK);
    DeleteItemsToReplace(items, m_install);
    EXPECT_FALSE(Exists(L"Tolvane.exe"));
    EXPECT_FALSE(Exists(L"lib"));
    EXPECT_TRUE(Exists(L"kept.txt"));
    EXPECT_TRUE(Exists(L""));  // the installation folder itself
}

TEST(InstalledItemPaths, CombinePath)
{
    EXPECT_EQ(CombinePath(L"C:\\Program Files\\Tolvane", L"Tolvane.exe"),
              L"C:\\Program Files\\Tolvane\\Tolvane.exe");
    EXPECT_EQ(CombinePath(std::wstring(MAX_PATH, L'x'), L"Tolvane.exe"), L"");
}

}  // namespace
