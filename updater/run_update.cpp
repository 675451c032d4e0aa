#include "run_update.h"

#include "agent_service_control.h"
#include "privilege.h"
#include "process_killer.h"
#include "registry_paths.h"
#include "shell_items.h"
#include "update_arguments.h"
#include "update_log.h"

#include "com_init.h"

#include <windows.h>
#include <shellapi.h>
#include <shlwapi.h>

#include <vector>

namespace {

const wchar_t kAgentProgram[] = L"Tolvane.exe";
const wchar_t kControllerProgram[] = L"Controller.exe";

// Ending the agent and Controller needs it when they run under another account.
void EnableDebugPrivilege()
{
    EnablePrivilege(L"SeDebugPrivilege", true);
}

class CUpdateLogPresence : public IItemPresenceObserver {
public:
    void OnChecking(const std::wstring& target) override
    {
        WriteUpdateLogFormat("Checking file '%s'...", LogText(target).c_str());
    }
    void OnMissing(const std::wstring&) override {}
};

std::wstring Combined(const std::wstring& folder, const wchar_t* name)
{
    wchar_t path[MAX_PATH] = {};
    if (!PathCombineW(path, folder.c_str(), name))
        return std::wstring();
    return path;
}

// Deletes a file or a folder tree, permanently and without any dialog.
void DeleteSilently(const std::wstring& target)
{
    std::vector<wchar_t> from(target.begin(), target.end());
    from.push_back(L'\0');
    from.push_back(L'\0');
    SHFILEOPSTRUCTW operation = {};
    operation.wFunc = FO_DELETE;
    operation.pFrom = from.data();
    operation.fFlags = static_cast<FILEOP_FLAGS>(kSilentShellOptions);
    SHFileOperationW(&operation);
}

// Deletes from the installation folder every item the update brings. An item without a name
// is passed over: its target would be the installation folder itself.
void DeleteItemsToReplace(FolderItems* items, const std::wstring& installFolder)
{
    WriteUpdateLog("Deleting source items from destination folder...");
    for (long index = 0; index < ShellItemCount(items); ++index) {
        std::wstring name;
        if (!ShellItemName(items, index, &name) || name.empty())
            continue;
        std::wstring target = Combined(installFolder, name.c_str());
        if (target.empty())
            continue;
        WriteUpdateLogFormat("Deleting file '%s'...", LogText(target).c_str());
        DeleteSilently(target);
    }
}

// The shell's part: delete and copy the items, wait for them. The exit code when it failed.
bool ReplaceInstalledItems(const UpdateArguments& arguments, int* exitCode)
{
    *exitCode = 1;
    CComPtr<IShellDispatch> shell;
    if (FAILED(CreateRunningShellDispatch(shell))) {
        WriteUpdateLog("ERROR. Failed creating Shell instance.");
        return false;
    }
    CComPtr<Folder> source = ShellNameSpace(shell, arguments.updateFolder.c_str());
    if (!source) {
        WriteUpdateLog("ERROR. Failed creating Shell folder for source.");
        return false;
    }
    CComPtr<Folder> destination = ShellNameSpace(shell, arguments.installFolder.c_str());
    if (!destination) {
        WriteUpdateLog("ERROR. Failed creating Shell folder for destination.");
        return false;
    }
    CComPtr<FolderItems> items = ShellFolderItems(source);
    if (!items) {
        WriteUpdateLog("ERROR. Failed creating folder items for source.");
        return false;
    }
    DeleteItemsToReplace(items, arguments.installFolder);
    WriteUpdateLogFormat("Copying files from '%s' to '%s'...",
                         LogText(arguments.updateFolder).c_str(),
                         LogText(arguments.installFolder).c_str());
    if (FAILED(ShellCopyHere(destination, items, kSilentShellOptions))) {
        WriteUpdateLog("ERROR. Shell CopyHere operation failed.");
        return false;
    }
    CUpdateLogPresence presence;
    if (!WaitForShellItems(items, arguments.installFolder.c_str(), presence)) {
        WriteUpdateLog("ERROR. Copy opeartion timed out.");
        return false;
    }
    return true;
}

// Version in the Settings key, which must exist already.
void WriteVersion(const std::wstring& version)
{
    WriteUpdateLog("Updating version in the registry...");
    HKEY settings = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, TOL_REG_SETTINGS_KEY, 0, KEY_READ | KEY_WRITE,
                      &settings) != ERROR_SUCCESS)
        return;
    RegSetValueExW(settings, L"Version", 0, REG_SZ,
                   reinterpret_cast<const BYTE*>(version.c_str()),
                   static_cast<DWORD>((version.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(settings);
}

// Runs the agent program with "-service", which deletes any registration of the service and
// makes it afresh. Its end is waited for (within the time the service is looked for
// afterwards): a service started while the program re-registers it would be deleted under
// the running agent.
void RegisterAgentService(const std::wstring& agentPath)
{
    SHELLEXECUTEINFOW run = {};
    run.cbSize = sizeof(run);
    run.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
    run.lpVerb = L"open";
    run.lpFile = agentPath.c_str();
    run.lpParameters = L"-service";
    run.nShow = SW_HIDE;
    if (!ShellExecuteExW(&run) || !run.hProcess)
        return;
    WaitForSingleObject(run.hProcess, kServiceOpenTries * kServicePause);
    CloseHandle(run.hProcess);
}

}  // namespace

int RunUpdate(const wchar_t* commandLine, const wchar_t* argumentText)
{
    EnableDebugPrivilege();
    CComInit com(COINIT_APARTMENTTHREADED);
    WriteUpdateLogFormat("Starting update... Command line: '%s'",
                         LogText(argumentText ? argumentText : L"").c_str());
    UpdateArguments arguments;
    if (!ParseUpdateArguments(commandLine, &arguments))
        return -1;
    WriteUpdateLogFormat("Update path: '%s'", LogText(arguments.updateFolder).c_str());
    WriteUpdateLogFormat("Install path: '%s'", LogText(arguments.installFolder).c_str());
    WriteUpdateLogFormat("Version number: '%s'", LogText(arguments.version).c_str());
    if (!IsAbsoluteFolder(arguments.installFolder)) {
        WriteUpdateLog("ERROR. Install path is not an absolute path.");
        return -1;
    }
    std::wstring agentPath = Combined(arguments.installFolder, kAgentProgram);
    WriteUpdateLogFormat("Agent path: '%s'", LogText(agentPath).c_str());
    WriteUpdateLogFormat("Controller path: '%s'",
                         LogText(Combined(arguments.installFolder, kControllerProgram)).c_str());

    StopAndDeleteAgentService();
    KillProcessesByName(kAgentProgram);
    KillProcessesByName(kControllerProgram);

    int exitCode = 1;
    if (!ReplaceInstalledItems(arguments, &exitCode))
        return exitCode;
    WriteVersion(arguments.version);

    WriteUpdateLogFormat("Executing '%s' with command line '-service'...",
                         LogText(agentPath).c_str());
    RegisterAgentService(agentPath);
    return StartAgentService();
}
