// The pieces of the upgrade hand-over: the download's extension, the Updater's command line
// and the installer's command, and what a file of another type starts (nothing).
#include "heap_helpers.h"
#include "registry_fixture.h"
#include "upgrade_install.h"

#include <string>
#include <vector>

namespace {

TEST(UpgradeInstall, ExtensionOfTheAddress)
{
    struct Case {
        const char* text;
        const char* extension;
    } cases[] = {
        {"https://127.0.24.1:8443/files/agent-4.002.zip", ".zip"},
        {"https://updates.example/setup.EXE", ".EXE"},
        {"https://updates.example/download", ""},
        {"https://updates.example/v1.2/download", ""},
        {"https://updates.example/a.tar.gz", ".gz"},
        {"C:\\Users\\x\\Temp\\tolupdate.zip", ".zip"},
    };
    for (const Case& c : cases) {
        std::string extension = "<unset>";
        EXPECT_TRUE(PathExtension(c.text, &extension)) << c.text;
        EXPECT_EQ(extension, c.extension) << c.text;
    }
    std::string extension;
    EXPECT_FALSE(PathExtension(nullptr, &extension));
    EXPECT_FALSE(PathExtension(("https://h/x." + std::string(300, 'e')).c_str(), &extension));
}

TEST(UpgradeInstall, CommandLines)
{
    EXPECT_EQ(TrimPathSeparators("C:\\Program Files\\Agent\\"), "C:\\Program Files\\Agent");
    EXPECT_EQ(TrimPathSeparators("/\\C:\\Agent/\\"), "C:\\Agent");
    EXPECT_EQ(TrimPathSeparators("\\/"), "");
    EXPECT_EQ(UpdateCommandLine("C:\\T\\tolupdate\\Updater.exe", "C:\\T\\tolupdate",
                                "C:\\Program Files\\Agent", "4.002"),
              "\"C:\\T\\tolupdate\\Updater.exe\" \"C:\\T\\tolupdate\" "
              "\"C:\\Program Files\\Agent\" \"4.002\"");
    // The download path is quoted: a temporary folder may hold blanks.
    EXPECT_EQ(SilentInstallerCommand("C:\\Users\\An Admin\\Temp\\tolupdate.exe"),
              "\"C:\\Users\\An Admin\\Temp\\tolupdate.exe\" /S");

    char program[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, program, MAX_PATH);
    std::string folder;
    ASSERT_TRUE(AgentInstallFolder(&folder));
    EXPECT_EQ(folder, std::string(program).substr(0, std::string(program).find_last_of('\\')));
}

class UpgradeFolders : public TolvaneRegistryTest {
protected:
    void SetUp() override
    {
        TolvaneRegistryTest::SetUp();
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        m_root = std::string(temp) + "tol24-upgrade-" + std::to_string(GetCurrentProcessId());
        CreateDirectoryA(m_root.c_str(), nullptr);
        m_unpacked = m_root + "\\tolupdate";
        m_install = m_root + "\\install";
        CreateDirectoryA(m_unpacked.c_str(), nullptr);
        CreateDirectoryA(m_install.c_str(), nullptr);
    }
    void TearDown() override
    {
        DeleteDirectoryTree(m_root);
        TolvaneRegistryTest::TearDown();
    }
    std::string m_root;
    std::string m_unpacked;
    std::string m_install;
};

TEST_F(UpgradeFolders, TheUpdaterOfTheUpdateIsPreferred)
{
    std::string installed = m_install + "\\Updater.exe";
    std::string unpacked = m_unpacked + "\\Updater.exe";
    EXPECT_EQ(UpdaterPath(m_unpacked, m_install), installed);   // none in the update
    CreateDirectoryA(unpacked.c_str(), nullptr);
    EXPECT_EQ(UpdaterPath(m_unpacked, m_install), installed);   // a folder is no program
    RemoveDirectoryA(unpacked.c_str());
    CloseHandle(CreateFileA(unpacked.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
    EXPECT_EQ(UpdaterPath(m_unpacked, m_install), unpacked);
}

TEST_F(UpgradeFolders, OnlyAZipOrAProgramIsHandedOver)
{
    // Nothing is installed from another file type, so a later command may try again.
    for (const char* name : {"tolupdate", "tolupdate.txt", "tolupdate.msi"})
        EXPECT_FALSE(InstallUpgrade((m_root + "\\" + name).c_str(), "4.002")) << name;
    // A program that cannot be started is a failed hand-over.
    EXPECT_FALSE(InstallUpgrade((m_root + "\\missing.exe").c_str(), "4.002"));
}

}  // namespace
