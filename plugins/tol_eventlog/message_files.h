// The files an EventMessageFile value names. The value is often a list ("a.dll;b.dll"), and
// a 32-bit program on 64-bit Windows that opens a file in System32 is sent to SysWOW64, where
// a message file that only the 64-bit system carries is missing; the 64-bit System32 stays in
// reach as "Sysnative" in the Windows folder.
#pragma once

#include <functional>
#include <string>
#include <vector>

// Where this process finds system files.
struct MessageFileSystem {
    bool wow64 = false;            // a 32-bit process on 64-bit Windows
    std::wstring systemDirectory;  // as GetSystemDirectoryW names it: "C:\Windows\system32"
    std::wstring nativeDirectory;  // "C:\Windows\Sysnative"
};

// One file of the list, and where else it is looked for when it does not load from its path
// (empty: nowhere else).
struct MessageFile {
    std::wstring path;
    std::wstring nativePath;

    bool operator==(const MessageFile& other) const
    {
        return path == other.path && nativePath == other.nativePath;
    }
};

// Expands environment variables in a text; a text that does not expand comes back as it is.
using ExpandText = std::function<std::wstring(const std::wstring&)>;

// The value expanded, split at ";" into file names (blanks around each dropped, empty names
// and names of MAX_PATH characters or more left out), in the value's order. Under WOW64 a file
// directly or further inside the system directory also gets its Sysnative path.
std::vector<MessageFile> MessageFileCandidates(const std::wstring& value, const ExpandText& expand,
                                               const MessageFileSystem& system);

// This process's MessageFileSystem.
MessageFileSystem LocalMessageFileSystem();
