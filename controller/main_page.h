// The local page: the file res\_main beside the program, copied at every start to
// res\_main.htm, the copy the window shows.
#pragma once

#include <windows.h>

#include <string>

// "<folder>res\_main", where folder is the program's path cut where "Controller.exe" begins
// (matched case-sensitively); empty when the path does not hold that name.
std::wstring MainPageSource(const wchar_t* programPath);

// Copies the page file over its copy (made afresh, the whole file or nothing usable).
struct PageCopyResult {
    enum Step { Done, Open, Read, ShortRead, Create, Write } failed;
    DWORD error;  // the system error of the failed step (0 for Done and ShortRead)
};
PageCopyResult CopyMainPage(const wchar_t* source, const wchar_t* copy);

// The copy of the running program's page: its path as a process-heap text (FreeHeapBlock),
// or null when there is none. A file error is shown in an "Error Information" box owned by
// `owner`; a program not named Controller.exe and a short read fail silently.
wchar_t* PrepareMainPage(HWND owner);
