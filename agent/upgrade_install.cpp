#include "upgrade_install.h"

#include "heap_helpers.h"
#include "heap_text.h"
#include "shell_items.h"
#include "trace_log.h"

#include <windows.h>

#include <cstdlib>
#include <vector>

namespace {

const char kUnpackFolderName[] = "tolupdate";
const char kUpdaterName[] = "Updater.exe";

bool EqualsIgnoringCase(const std::string& text, const char* wanted)
{
    return lstrcmpiA(text.c_str(), wanted) == 0;
}

std::string Quoted(const std::string& text)
{
    return "\"" + text + "\"";
}

bool IsFile(const std::string& path)
{
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// "tolupdate" in the temporary folder, without a trailing separator.
bool UnpackFolderPath(std::string* folder)
{
    char temp[MAX_PATH + 1] = {};
    DWORD length = GetTempPathA(MAX_PATH, temp);
    if (length == 0 || length > MAX_PATH)
        return false;
    *folder = temp;
    if (folder->back() != '\\' && folder->back() != '/')
        *folder += '\\';
    *folder += kUnpackFolderName;
    return true;
}

// Starts a command hidden, without waiting for it.
bool RunHidden(const std::string& command)
{
    WriteTraceLogFormat("(Upgrade) Running command '%s'...", command.c_str());
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION process = {};
    std::vector<char> line(command.begin(), command.end());
    line.push_back('\0');
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        CHeapText<wchar_t> text(FormatErrorText(GetLastError(), nullptr));
        WriteTraceLogFormat("(Upgrade) Run command failed with error %s",
                            Narrow(text.get(), CP_UTF8).c_str());
        return false;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

class CTracedPresenceCheck : public IItemPresenceObserver {
public:
    void OnChecking(const std::wstring& target) override
    {
        WriteTraceLogFormat("(Upgrade) Checking '%s'...", Narrow(target, CP_ACP).c_str());
    }
    void OnMissing(const std::wstring& target) override
    {
        WriteTraceLogFormat("(Upgrade) Checking for '%s' failed.", Narrow(target, CP_ACP).c_str());
    }
};

// Unpacks the zip into the folder through the shell and waits for every item to be there.
bool UnpackZip(const std::string& zipPath, const std::string& folder)
{
    CComPtr<IShellDispatch> shell;
    if (FAILED(CreateShellDispatch(shell)))
        return false;
    CComPtr<Folder> destination = ShellNameSpace(shell, Widen(folder, CP_ACP).c_str());
    CComPtr<Folder> zip = ShellNameSpace(shell, Widen(zipPath, CP_ACP).c_str());
    CComPtr<FolderItems> items = ShellFolderItems(zip);
    if (!destination || !zip || !items)
        return false;
    if (FAILED(ShellCopyHere(destination, items, kSilentShellOptions)))
        return false;
    CTracedPresenceCheck check;
    return WaitForShellItems(items, Widen(folder, CP_ACP).c_str(), check);
}

bool InstallFromZip(const char* zipPath, const char* version)
{
    std::string folder;
    if (!UnpackFolderPath(&folder))
        return false;
    WriteTraceLogFormat("(Upgrade) Extracting to '%s'...", folder.c_str());
    // The Updater copies every item of the folder into the installation: what anyone but
    // this unpacking put there must not travel with it.
    if (!MakeFreshFolder(folder)) {
        CHeapText<wchar_t> text(FormatErrorText(GetLastError(), nullptr));
        WriteTraceLogFormat("(Upgrade) Extracting to '%s' failed. %s", folder.c_str(),
                            Narrow(text.get(), CP_UTF8).c_str());
        return false;
    }
    if (!UnpackZip(zipPath, folder))
        return false;
    std::string installFolder;
    if (!AgentInstallFolder(&installFolder))
        return false;
    return RunHidden(
        UpdateCommandLine(UpdaterPath(folder, installFolder), folder, installFolder, version));
}

}  // namespace

bool MakeFreshFolder(const std::string& folder)
{
    // Whatever the delete leaves (a file held open, an item it may not remove) keeps the
    // folder in place, and the creation then fails.
    DeleteDirectoryTree(folder);
    return CreateDirectoryA(folder.c_str(), nullptr) != FALSE;
}

bool PathExtension(const char* path, std::string* extension)
{
    char ext[_MAX_EXT] = {};
    if (!path || _splitpath_s(path, nullptr, 0, nullptr, 0, nullptr, 0, ext, sizeof(ext)) != 0)
        return false;
    *extension = ext;
    return true;
}

std::string TrimPathSeparators(const std::string& path)
{
    size_t first = path.find_first_not_of("/\\");
    if (first == std::string::npos)
        return std::string();
    size_t last = path.find_last_not_of("/\\");
    return path.substr(first, last - first + 1);
}

bool AgentInstallFolder(std::string* folder)
{
    char program[MAX_PATH + 1] = {};
    DWORD length = GetModuleFileNameA(nullptr, program, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return false;
    char drive[_MAX_DRIVE] = {};
    char directory[_MAX_DIR] = {};
    if (_splitpath_s(program, drive, sizeof(drive), directory, sizeof(directory), nullptr, 0,
                     nullptr, 0) != 0)
        return false;
    char joined[MAX_PATH + 1] = {};
    if (_makepath_s(joined, sizeof(joined), drive, directory, nullptr, nullptr) != 0)
        return false;
    *folder = TrimPathSeparators(joined);
    return true;
}

std::string UpdaterPath(const std::string& unpackedFolder, const std::string& installFolder)
{
    std::string unpacked = unpackedFolder + "\\" + kUpdaterName;
    return IsFile(unpacked) ? unpacked : installFolder + "\\" + kUpdaterName;
}

std::string UpdateCommandLine(const std::string& updaterPath, const std::string& unpackedFolder,
                              const std::string& installFolder, const std::string& version)
{
    return Quoted(updaterPath) + " " + Quoted(unpackedFolder) + " " + Quoted(installFolder) + " " +
           Quoted(version);
}

std::string SilentInstallerCommand(const std::string& installerPath)
{
    return Quoted(installerPath) + " /S";
}

bool InstallUpgrade(const char* downloadPath, const char* version)
{
    WriteTraceLogFormat("(Upgrade) Upgrading from file '%s' (version:%s)...", downloadPath,
                        version);
    std::string extension;
    if (!PathExtension(downloadPath, &extension))
        return false;
    if (EqualsIgnoringCase(extension, ".zip"))
        return InstallFromZip(downloadPath, version);
    if (EqualsIgnoringCase(extension, ".exe"))
        return RunHidden(SilentInstallerCommand(downloadPath));
    return false;
}
