#include "message_files.h"

#include <windows.h>

#include <cwchar>

namespace {

std::wstring Trimmed(const std::wstring& text)
{
    size_t first = text.find_first_not_of(L" \t");
    if (first == std::wstring::npos)
        return std::wstring();
    return text.substr(first, text.find_last_not_of(L" \t") - first + 1);
}

// The path below the directory ("x.dll" of "C:\Windows\system32\x.dll"), compared without
// case as the file system does; empty when the path is not inside it.
std::wstring BelowDirectory(const std::wstring& path, const std::wstring& directory)
{
    std::wstring folder = directory;
    while (!folder.empty() && folder.back() == L'\\')
        folder.pop_back();
    if (folder.empty() || path.size() <= folder.size() + 1 || path[folder.size()] != L'\\' ||
        _wcsnicmp(path.c_str(), folder.c_str(), folder.size()) != 0)
        return std::wstring();
    return path.substr(folder.size() + 1);
}

}  // namespace

std::vector<MessageFile> MessageFileCandidates(const std::wstring& value, const ExpandText& expand,
                                               const MessageFileSystem& system)
{
    std::wstring expanded = expand(value);
    std::vector<MessageFile> files;
    size_t start = 0;
    for (;;) {
        size_t end = expanded.find(L';', start);
        MessageFile file;
        file.path = Trimmed(expanded.substr(start, end == std::wstring::npos ? end : end - start));
        if (!file.path.empty() && file.path.size() < MAX_PATH) {
            std::wstring below = BelowDirectory(file.path, system.systemDirectory);
            if (system.wow64 && !below.empty() && !system.nativeDirectory.empty())
                file.nativePath = system.nativeDirectory + L"\\" + below;
            files.push_back(file);
        }
        if (end == std::wstring::npos)
            return files;
        start = end + 1;
    }
}

MessageFileSystem LocalMessageFileSystem()
{
    MessageFileSystem system;
    BOOL wow64 = FALSE;
    system.wow64 = IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
    wchar_t folder[MAX_PATH];
    UINT chars = GetSystemDirectoryW(folder, MAX_PATH);
    if (chars > 0 && chars < MAX_PATH)
        system.systemDirectory.assign(folder, chars);
    chars = GetSystemWindowsDirectoryW(folder, MAX_PATH);
    if (chars > 0 && chars < MAX_PATH) {
        system.nativeDirectory.assign(folder, chars);
        if (system.nativeDirectory.back() != L'\\')
            system.nativeDirectory += L'\\';
        system.nativeDirectory += L"Sysnative";
    }
    return system;
}
