// The local page: where Controller looks for it and how it copies it for the window.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "heap_helpers.h"
#include "main_page.h"

namespace {

TEST(MainPageSourceTest, FolderOfTheProgramNamedControllerExe)
{
    struct Case {
        const wchar_t* program;
        const wchar_t* source;
    } cases[] = {
        {L"C:\\Program Files\\Tolvane\\Controller.exe", L"C:\\Program Files\\Tolvane\\res\\_main"},
        {L"Controller.exe", L"res\\_main"},
        // The name is matched case-sensitively: another spelling is not Controller.
        {L"C:\\Tolvane\\controller.exe", L""},
        {L"C:\\Tolvane\\Updater.exe", L""},
        {L"", L""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MainPageSource(c.program), c.source) << c.program;
}

class CopyMainPageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        m_folder = std::wstring(temp) + L"tol26_page_" + std::to_wstring(GetCurrentProcessId());
        CreateDirectoryW(m_folder.c_str(), nullptr);
        m_source = m_folder + L"\\_main";
        m_copy = m_source + L".htm";
    }
    void TearDown() override
    {
        DeleteFileW(m_source.c_str());
        DeleteFileW(m_copy.c_str());
        RemoveDirectoryW(m_folder.c_str());
    }

    static void Write(const std::wstring& path, const std::string& bytes)
    {
        HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        DWORD written = 0;
        WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        CloseHandle(file);
    }
    static std::string Read(const std::wstring& path)
    {
        HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return "<missing>";
        std::string bytes(1 << 16, '\0');
        DWORD read = 0;
        ReadFile(file, &bytes[0], static_cast<DWORD>(bytes.size()), &read, nullptr);
        CloseHandle(file);
        bytes.resize(read);
        return bytes;
    }

    std::wstring m_folder;
    std::wstring m_source;
    std::wstring m_copy;
};

// A shorter page replaces a longer copy whole: nothing of the old copy is left behind.
TEST_F(CopyMainPageTest, CopyEqualsTheSourceByteForByteAndReplacesAnOlderCopy)
{
    std::string page("<html>\r\n<body id=\"x\">\0\xff</body></html>\n", 40);
    Write(m_copy, std::string(5000, 'o'));
    Write(m_source, page);
    PageCopyResult result = CopyMainPage(m_source.c_str(), m_copy.c_str());
    EXPECT_EQ(result.failed, PageCopyResult::Done);
    EXPECT_EQ(Read(m_copy), page);

    Write(m_source, "");
    EXPECT_EQ(CopyMainPage(m_source.c_str(), m_copy.c_str()).failed, PageCopyResult::Done);
    EXPECT_EQ(Read(m_copy), "");
}

TEST_F(CopyMainPageTest, FileErrorsNameTheFailedStepAndTheSystemError)
{
    PageCopyResult missing = CopyMainPage(m_source.c_str(), m_copy.c_str());
    EXPECT_EQ(missing.failed, PageCopyResult::Open);
    EXPECT_EQ(missing.error, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(Read(m_copy), "<missing>");

    // The page is read with writers shut out: a page being written cannot be opened.
    Write(m_source, "<html></html>");
    HANDLE writer = CreateFileW(m_source.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    PageCopyResult busy = CopyMainPage(m_source.c_str(), m_copy.c_str());
    CloseHandle(writer);
    EXPECT_EQ(busy.failed, PageCopyResult::Open);
    EXPECT_EQ(busy.error, static_cast<DWORD>(ERROR_SHARING_VIOLATION));

    // The copy is made exclusively: a copy held open elsewhere is not half overwritten.
    Write(m_copy, "old copy");
    HANDLE reader = CreateFileW(m_copy.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    PageCopyResult held = CopyMainPage(m_source.c_str(), m_copy.c_str());
    CloseHandle(reader);
    EXPECT_EQ(held.failed, PageCopyResult::Create);
    EXPECT_EQ(held.error, static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    EXPECT_EQ(Read(m_copy), "old copy");
}

}  // namespace
