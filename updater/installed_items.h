// The installed items an update replaces, through the Windows shell: those the update brings
// are deleted from the installation folder, the update's items copied in, and the Updater
// waits until every one is there.
#pragma once

#include "update_arguments.h"

#include <windows.h>
#include <shldisp.h>

#include <string>

// The folder and the name joined (at most MAX_PATH characters); empty when too long.
std::wstring CombinePath(const std::wstring& folder, const wchar_t* name);
// Deletes from the installation folder every item the update brings. An item without a name
// is passed over: its target would be the installation folder itself.
void DeleteItemsToReplace(FolderItems* items, const std::wstring& installFolder);
// Deletes, copies and waits; false, after the log line that says why, when the shell's
// objects cannot be had, its copy fails or the copied items do not all appear.
bool ReplaceInstalledItems(const UpdateArguments& arguments);
