// The stand-in shell's copy: it runs on a thread of its own, as the shell's does, and test
// switches in the registry make it slow, failing or short of items.
#pragma once

#include "standin_items.h"

#include <windows.h>

#include <string>
#include <vector>

// Under HKEY_LOCAL_MACHINE: DWORD values CopyDelay (milliseconds before the copy starts),
// CopyFails (not 0: CopyHere fails at once) and CopyLeavesOut (that many of the last items are
// never copied). Missing values are 0.
#define TOL_STANDIN_SWITCHES_KEY L"SOFTWARE\\TolvaneTestBed\\ShellStandIn"

struct StandInCopySwitches {
    DWORD delay = 0;
    bool fails = false;
    DWORD leaveOut = 0;
};

StandInCopySwitches ReadCopySwitches();
// Starts the copy of the items into the destination folder and returns without waiting;
// E_FAIL when the switches say so or no thread can be started.
HRESULT StartStandInCopy(const std::vector<StandInItem>& items, const std::wstring& destination,
                         const StandInCopySwitches& switches);
