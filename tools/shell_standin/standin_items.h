// What a stand-in shell folder holds: the files and folders of a folder on disk, or the
// top-level entries of a zip file; and the copy of one such item into a folder.
#pragma once

#include <string>
#include <vector>

struct StandInItem {
    std::wstring name;  // the name the item keeps when copied
    std::wstring path;  // as the shell gives it: the folder's (or zip's) path, '\', name
    bool isFolder = false;
    std::wstring zipPath;  // the zip file holding the item; empty for an item on disk
};

// The items of a folder, or of a zip file (a file whose name ends in ".zip"); false when the
// path is neither.
bool ReadStandInItems(const std::wstring& path, std::vector<StandInItem>* items);
// Copies the item, with everything below it, into the destination folder, replacing what is
// there. Each file appears under its name only once it is written whole.
bool CopyStandInItem(const StandInItem& item, const std::wstring& destination);
