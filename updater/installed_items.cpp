#include "installed_items.h"

#include "shell_items.h"
#include "update_log.h"

#include <windows.h>
#include <shellapi.h>
#include <shlwapi.h>

#include <vector>

namespace {

class CUpdateLogPresence : public IItemPresenceObserver {
public:
    void OnChecking(const std::wstring& target) override
    {
        WriteUpdateLogFormat("Checking file '%s'...", LogText(target).c_str());
    }
    void OnMissing(const std::wstring&) override {}
};

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

}  // namespace

std::wstring CombinePath(const std::wstring& folder, const wchar_t* name)
{
    wchar_t path[MAX_PATH] = {};
    if (!PathCombineW(path, folder.c_str(), name))
        return std::wstring();
    return path;
}

void DeleteItemsToReplace(FolderItems* items, const std::wstring& installFolder)
{
    WriteUpdateLog("Deleting source items from destination folder...");
    for (long index = 0; index < ShellItemCount(items); ++index) {
        std::wstring name;
        if (!ShellItemName(items, index, &name) || name.empty())
            continue;
        std::wstring target = CombinePath(installFolder, name.c_str());
        if (target.empty())
            continue;
        WriteUpdateLogFormat("Deleting file '%s'...", LogText(target).c_str());
        DeleteSilently(target);
    }
}

bool ReplaceInstalledItems(const UpdateArguments& arguments)
{
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
