#include "update_arguments.h"

#include <windows.h>
#include <shellapi.h>

#include <cwctype>

std::wstring TrimQuotes(const std::wstring& text)
{
    size_t first = text.find_first_not_of(L'"');
    if (first == std::wstring::npos)
        return std::wstring();
    size_t last = text.find_last_not_of(L'"');
    return text.substr(first, last - first + 1);
}

bool ParseUpdateArguments(const wchar_t* commandLine, UpdateArguments* arguments)
{
    int count = 0;
    wchar_t** argv = CommandLineToArgvW(commandLine, &count);
    if (!argv)
        return false;
    bool enough = count >= 4;
    if (enough) {
        arguments->updateFolder = TrimQuotes(argv[1]);
        arguments->installFolder = TrimQuotes(argv[2]);
        arguments->version = TrimQuotes(argv[3]);
    }
    LocalFree(argv);
    return enough;
}

bool IsAbsoluteFolder(const std::wstring& folder)
{
    auto separator = [](wchar_t c) { return c == L'\\' || c == L'/'; };
    if (folder.size() >= 3 && std::iswalpha(folder[0]) && folder[1] == L':' && separator(folder[2]))
        return true;
    return folder.size() >= 3 && separator(folder[0]) && separator(folder[1]) &&
           !separator(folder[2]);
}
