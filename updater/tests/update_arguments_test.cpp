// The Updater's reading of its command line, and which installation folders it accepts.
#include "update_arguments.h"

#include <gtest/gtest.h>

namespace {

struct ArgumentCase {
    const wchar_t* commandLine;
    bool enough;
    const wchar_t* update;
    const wchar_t* install;
    const wchar_t* version;
};

TEST(UpdateArguments, ThreeTextsAfterTheProgramName)
{
    const ArgumentCase cases[] = {
        {LR"("C:\t\tolupdate\Updater.exe" "C:\t\tolupdate" "C:\Program Files\Tolvane" "4.002")",
         true, LR"(C:\t\tolupdate)", LR"(C:\Program Files\Tolvane)", L"4.002"},
        // Quotes inside an argument stay; those at its ends go.
        {LR"(Updater.exe "a\"b" "\"C:\x\"" "\"\"4.1")", true, LR"(a"b)", LR"(C:\x)", L"4.1"},
        {LR"(Updater.exe a b c extra)", true, L"a", L"b", L"c"},
        {LR"(Updater.exe "" "C:\x" "")", true, L"", LR"(C:\x)", L""},
        {LR"(Updater.exe "C:\t\tolupdate" "C:\Program Files\Tolvane")", false, L"", L"", L""},
        {LR"(Updater.exe)", false, L"", L"", L""},
    };
    for (const ArgumentCase& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.commandLine)));
        UpdateArguments arguments;
        ASSERT_EQ(ParseUpdateArguments(c.commandLine, &arguments), c.enough);
        EXPECT_EQ(arguments.updateFolder, c.update);
        EXPECT_EQ(arguments.installFolder, c.install);
        EXPECT_EQ(arguments.version, c.version);
    }
    EXPECT_EQ(TrimQuotes(L"\"\"\""), L"");
}

TEST(UpdateArguments, OnlyAnAbsoluteInstallationFolderIsAccepted)
{
    for (const wchar_t* folder :
         {LR"(C:\Program Files\Tolvane)", L"c:/tolvane", LR"(D:\)", LR"(\\server\share\Tolvane)"})
        EXPECT_TRUE(IsAbsoluteFolder(folder)) << testing::PrintToString(std::wstring(folder));
    for (const wchar_t* folder : {L"", L".", L"Tolvane", LR"(..\Tolvane)", L"C:", L"C:Tolvane",
                                  LR"(\Tolvane)", LR"(\\\x)", L"1:\\x"})
        EXPECT_FALSE(IsAbsoluteFolder(folder)) << testing::PrintToString(std::wstring(folder));
}

}  // namespace
