// The pieces of the upgrade hand-over: the download's extension, the Updater's command line
// and the installer's command, and what a file of another type starts (nothing).
#include "heap_helpers.h"
#include "registry_fixture.h"
#include "upgrade_download.h"
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

TEST(UpgradeDownload, ABodyPastItsLimitsIsGivenUp)
{
    const DownloadLimits limits{1000, 5000};
    struct Case {
        size_t bytes;
        ULONGLONG elapsed;
        DWORD error;
    } cases[] = {
        {0, 0, 0},
        {1000, 5000, 0},  // both limits reached, neither passed
        {1001, 0, ERROR_FILE_TOO_LARGE},
        {0, 5001, ERROR_INTERNET_TIMEOUT},
        {5000, 9000, ERROR_FILE_TOO_LARGE},  // the size is told first
    };
    for (const Case& c : cases)
        EXPECT_EQ(DownloadLimitError(c.bytes, c.elapsed, limits), c.error)
            << c.bytes << " bytes after " << c.elapsed << " ms";
    // The program's own: an installation of a few MiB fits many times over.
    EXPECT_EQ(DownloadLimitError(64u * 1024 * 1024, 10 * 60 * 1000, kDownloadLimits), 0u);
    EXPECT_EQ(DownloadLimitError(64u * 1024 * 1024 + 1, 0, kDownloadLimits),
              static_cast<DWORD>(ERROR_FILE_TOO_LARGE));
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
    EXPECT_EQ(UpdaterPath(m_unpacked, m_install), installed);  // none in the update
    CreateDirectoryA(unpacked.c_str(), nullptr);
    EXPECT_EQ(UpdaterPath(m_unpacked, m_install), installed);  // a folder is no program
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

bool Exists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void Touch(const std::string& path)
{
    CloseHandle(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
}

// An empty folder holds nothing but "." and "..".
bool IsEmptyFolder(const std::string& folder)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return false;
    bool empty = true;
    do {
        std::string name = found.cFileName;
        empty = empty && (name == "." || name == "..");
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return empty && (GetFileAttributesA(folder.c_str()) & FILE_ATTRIBUTE_DIRECTORY);
}

TEST_F(UpgradeFolders, TheStagingFolderIsMadeAfreshOrNotUsed)
{
    struct Case {
        const char* what;
        void (*prepare)(const std::string& folder);
    } cases[] = {
        {"absent", [](const std::string& f) { RemoveDirectoryA(f.c_str()); }},
        {"empty", [](const std::string&) {}},
        {"filled",
         [](const std::string& f) {
             Touch(f + "\\Updater.exe");
             CreateDirectoryA((f + "\\sub").c_str(), nullptr);
             Touch(f + "\\sub\\planted.dll");
         }},
        {"a file of that name",
         [](const std::string& f) {
             RemoveDirectoryA(f.c_str());
             Touch(f);
         }},
    };
    for (const Case& c : cases) {
        DeleteDirectoryTree(m_unpacked);
        CreateDirectoryA(m_unpacked.c_str(), nullptr);
        c.prepare(m_unpacked);
        EXPECT_TRUE(MakeFreshFolder(m_unpacked)) << c.what;
        EXPECT_TRUE(IsEmptyFolder(m_unpacked)) << c.what;
    }

    // A file held open in it: the folder cannot be removed, so it is not taken.
    std::string held = m_unpacked + "\\held.txt";
    HANDLE file = CreateFileA(held.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(MakeFreshFolder(m_unpacked));
    EXPECT_TRUE(Exists(held));
    CloseHandle(file);
}

TEST_F(UpgradeFolders, AZipIsNotUnpackedIntoAFolderThatCouldNotBeMadeAfresh)
{
    SetDWord(L"SOFTWARE\\TolvaneCorp\\tolvane\\Settings", L"Trace", 10);
    char oldTemp[MAX_PATH] = {};
    GetEnvironmentVariableA("TMP", oldTemp, MAX_PATH);
    SetEnvironmentVariableA("TMP", (m_root + "\\").c_str());
    std::string held = m_unpacked + "\\held.txt";
    HANDLE file = CreateFileA(held.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    std::string zip = m_root + "\\tolupdate.zip";
    Touch(zip);

    EXPECT_FALSE(InstallUpgrade(zip.c_str(), "4.002"));
    CloseHandle(file);
    SetEnvironmentVariableA("TMP", oldTemp[0] ? oldTemp : nullptr);

    // The failure is traced, with the system's text, and the attempt ends there.
    std::string trace;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((m_root + "\\tolintagent_*.log").c_str(), &found);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    FindClose(search);
    HANDLE log =
        CreateFileA((m_root + "\\" + found.cFileName).c_str(), GENERIC_READ,
                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    char buffer[8192] = {};
    DWORD read = 0;
    ReadFile(log, buffer, sizeof(buffer) - 1, &read, nullptr);
    CloseHandle(log);
    trace.assign(buffer, read);
    std::string failed = "(Upgrade) Extracting to '" + m_unpacked + "' failed. Failed with error ";
    size_t at = trace.find(failed);
    ASSERT_NE(at, std::string::npos) << trace;
    EXPECT_EQ(trace.find("(Upgrade)", at + failed.size()), std::string::npos) << trace;
}

}  // namespace
