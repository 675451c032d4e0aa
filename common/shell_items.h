// The Windows shell's folder objects (Shell.Application) as the upgrade uses them: the items
// of a folder or of a zip file, their names, the shell's copy of them into a folder (which may
// go on after the call returns) and the wait for the copied items to appear.
#pragma once

#include "com_ptr.h"

#include <windows.h>
#include <shldisp.h>

#include <string>

// FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOCONFIRMMKDIR | FOF_NOERRORUI: no dialog of any kind,
// nothing to the recycle bin.
constexpr long kSilentShellOptions = 0x614;
constexpr int kItemPresenceTests = 100;
constexpr DWORD kItemPresencePause = 300;

// Shell.Application for any server context, asked for IShellDispatch.
HRESULT CreateShellDispatch(CComPtr<IShellDispatch>& shell);
// The same object created as IUnknown and run (OleRun) before it is asked for IShellDispatch.
HRESULT CreateRunningShellDispatch(CComPtr<IShellDispatch>& shell);

// The shell folder of a folder or of a file such as a zip; null when the shell has none.
CComPtr<Folder> ShellNameSpace(IShellDispatch* shell, const wchar_t* path);
// The folder's items; null when there are none to be had.
CComPtr<FolderItems> ShellFolderItems(Folder* folder);
// The number of items (0 when it cannot be read).
long ShellItemCount(FolderItems* items);
// The name an item keeps when copied: its path after the last '\' and then after the last
// '/'. False when there is no item at the index or no path.
bool ShellItemName(FolderItems* items, long index, std::wstring* name);
// Folder::CopyHere of the items into the folder.
HRESULT ShellCopyHere(Folder* destination, FolderItems* items, long options);

// What a wait for copied items reports.
class IItemPresenceObserver {
public:
    virtual ~IItemPresenceObserver() = default;
    virtual void OnChecking(const std::wstring& target) = 0;
    virtual void OnMissing(const std::wstring& target) = 0;
};

// Waits until every item is present in the folder: up to `tests` tests, each after a pause of
// `pause` milliseconds; a test walks the items from the first (the count read again before
// each) and ends at the first one missing. An item without a name is passed over, as its
// target would be the folder itself. True in the first test that finds every item.
bool WaitForShellItems(FolderItems* items, const wchar_t* folder, IItemPresenceObserver& observer,
                       int tests = kItemPresenceTests, DWORD pause = kItemPresencePause);
