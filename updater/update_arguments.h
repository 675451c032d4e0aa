// The Updater's command line: the unpacked update folder, the installation folder and the new
// version, each in double quotes.
#pragma once

#include <string>

struct UpdateArguments {
    std::wstring updateFolder;
    std::wstring installFolder;
    std::wstring version;
};

// Splits a whole command line (the program name first); false with fewer than three
// arguments after the program name. Double quotes at either end of an argument are removed,
// those inside it stay.
bool ParseUpdateArguments(const wchar_t* commandLine, UpdateArguments* arguments);
// The text without its leading and trailing double quotes.
std::wstring TrimQuotes(const std::wstring& text);
// A folder the Updater may delete items in: a drive and its root ("C:\...") or a network
// share ("\\server\share..."). A relative folder would point the deletions at the working
// directory.
bool IsAbsoluteFolder(const std::wstring& folder);
