#include "standin_items.h"

#include "zip_archive.h"

#include <windows.h>
#include <shlwapi.h>

#include <algorithm>

namespace {

bool EndsWithZip(const std::wstring& path)
{
    return path.size() > 4 && lstrcmpiW(path.c_str() + path.size() - 4, L".zip") == 0;
}

std::wstring Join(const std::wstring& folder, const std::wstring& name)
{
    if (folder.empty())
        return name;
    wchar_t last = folder.back();
    return folder + (last == L'\\' || last == L'/' ? L"" : L"\\") + name;
}

std::wstring FromUtf8(const std::string& text)
{
    int chars = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
    if (chars <= 0)
        return std::wstring();
    std::wstring wide(static_cast<size_t>(chars), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, &wide[0], chars);
    wide.resize(static_cast<size_t>(chars) - 1);
    return wide;
}

bool ReadFolderItems(const std::wstring& folder, std::vector<StandInItem>* items)
{
    WIN32_FIND_DATAW found = {};
    HANDLE search = FindFirstFileW(Join(folder, L"*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return GetLastError() == ERROR_FILE_NOT_FOUND;
    do {
        std::wstring name = found.cFileName;
        if (name == L"." || name == L"..")
            continue;
        StandInItem item;
        item.name = name;
        item.path = Join(folder, name);
        item.isFolder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        items->push_back(item);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    // In name order, whatever order the file system keeps.
    std::sort(items->begin(), items->end(), [](const StandInItem& a, const StandInItem& b) {
        return lstrcmpiW(a.name.c_str(), b.name.c_str()) < 0;
    });
    return true;
}

bool ReadZipItems(const std::wstring& zipPath, std::vector<StandInItem>* items)
{
    CZipArchive zip;
    if (!zip.Open(zipPath))
        return false;
    for (const ZipEntry& entry : zip.Entries()) {
        size_t slash = entry.name.find('/');
        std::wstring name = FromUtf8(entry.name.substr(0, slash));
        if (name.empty() || name == L"." || name == L"..")
            continue;
        bool known = false;
        for (const StandInItem& item : *items)
            known = known || item.name == name;
        if (known)
            continue;
        StandInItem item;
        item.name = name;
        item.path = Join(zipPath, name);
        item.isFolder = slash != std::string::npos;
        item.zipPath = zipPath;
        items->push_back(item);
    }
    return true;
}

// Writes the bytes under a temporary name first, then gives the file its name.
bool WriteWholeFile(const std::wstring& path, const std::vector<char>& data)
{
    std::wstring part = path + L".standin-part";
    HANDLE file = CreateFileW(part.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    bool ok = data.empty() ||
              (WriteFile(file, data.data(), static_cast<DWORD>(data.size()), &written, nullptr) &&
               written == data.size());
    CloseHandle(file);
    ok = ok && MoveFileExW(part.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
    if (!ok)
        DeleteFileW(part.c_str());
    return ok;
}

bool CopyFileWhole(const std::wstring& from, const std::wstring& to)
{
    std::wstring part = to + L".standin-part";
    bool ok = CopyFileW(from.c_str(), part.c_str(), FALSE) &&
              MoveFileExW(part.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING);
    if (!ok)
        DeleteFileW(part.c_str());
    return ok;
}

bool MakeFolder(const std::wstring& folder)
{
    return CreateDirectoryW(folder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

bool CopyDiskItem(const std::wstring& from, bool isFolder, const std::wstring& to)
{
    if (!isFolder)
        return CopyFileWhole(from, to);
    if (!MakeFolder(to))
        return false;
    std::vector<StandInItem> below;
    if (!ReadFolderItems(from, &below))
        return false;
    bool ok = true;
    for (const StandInItem& item : below)
        ok = CopyDiskItem(item.path, item.isFolder, Join(to, item.name)) && ok;
    return ok;
}

// An entry name that stays inside the destination: no empty, "." or ".." part, no drive.
bool IsSafeEntryName(const std::string& name)
{
    if (name.empty() || name[0] == '/' || name[0] == '\\' || name.find(':') != std::string::npos)
        return false;
    size_t start = 0;
    while (start < name.size()) {
        size_t end = name.find('/', start);
        std::string part = name.substr(start, end == std::string::npos ? end : end - start);
        if (part == "." || part == ".." || part.find('\\') != std::string::npos)
            return false;
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    return true;
}

bool CopyZipItem(const StandInItem& item, const std::wstring& destination)
{
    CZipArchive zip;
    if (!zip.Open(item.zipPath))
        return false;
    bool ok = true;
    for (const ZipEntry& entry : zip.Entries()) {
        std::wstring name = FromUtf8(entry.name);
        if (name != item.name && name.compare(0, item.name.size() + 1, item.name + L"/") != 0)
            continue;
        if (!IsSafeEntryName(entry.name)) {
            ok = false;
            continue;
        }
        // Every folder on the way, then the file.
        std::wstring target = destination;
        size_t start = 0;
        for (size_t slash; (slash = name.find(L'/', start)) != std::wstring::npos;
             start = slash + 1) {
            target = Join(target, name.substr(start, slash - start));
            ok = MakeFolder(target) && ok;
        }
        if (start == name.size())
            continue;  // a folder entry
        std::vector<char> data;
        ok = zip.Extract(entry, &data) && WriteWholeFile(Join(target, name.substr(start)), data) &&
             ok;
    }
    return ok;
}

}  // namespace

bool ReadStandInItems(const std::wstring& path, std::vector<StandInItem>* items)
{
    items->clear();
    DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return false;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        return ReadFolderItems(path, items);
    return EndsWithZip(path) && ReadZipItems(path, items);
}

bool CopyStandInItem(const StandInItem& item, const std::wstring& destination)
{
    if (!item.zipPath.empty())
        return CopyZipItem(item, destination);
    return CopyDiskItem(item.path, item.isFolder, Join(destination, item.name));
}
