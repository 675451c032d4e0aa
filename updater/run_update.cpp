#include "run_update.h"

#include "agent_service_control.h"
#include "installed_items.h"
#include "privilege.h"
#include "process_killer.h"
#include "registry_paths.h"
#include "update_arguments.h"
#include "update_log.h"

#include "com_init.h"

#include <windows.h>
#include <shellapi.h>

namespace {

const wchar_t kAgentProgram[] = L"Tolvane.exe";
const wchar_t kControllerProgram[] = L"Controller.exe";

// Ending the agent and Controller needs it when they run under another account.
void EnableDebugPrivilege()
{
    EnablePrivilege(L"SeDebugPrivilege", true);
}

// Version in the Settings key, which must exist already.
void WriteVersion(const std::wstring& version)
{
    WriteUpdateLog("Updating version in the registry...");
    HKEY settings = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, TOL_REG_SETTINGS_KEY, 0, KEY_READ | KEY_WRITE,
                      &settings) != ERROR_SUCCESS)
        return;
    RegSetValueExW(settings, L"Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version.c_str()),
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
    std::wstring agentPath = CombinePath(arguments.installFolder, kAgentProgram);
    WriteUpdateLogFormat("Agent path: '%s'", LogText(agentPath).c_str());
    WriteUpdateLogFormat("Controller path: '%s'",
                         LogText(CombinePath(arguments.installFolder, kControllerProgram)).c_str());

    StopAndDeleteAgentService();
    KillProcessesByName(kAgentProgram);
    KillProcessesByName(kControllerProgram);

    if (!ReplaceInstalledItems(arguments))
        return 1;
    WriteVersion(arguments.version);

    WriteUpdateLogFormat("Executing '%s' with command line '-service'...",
                         LogText(agentPath).c_str());
    RegisterAgentService(agentPath);
    return StartAgentService();
}
