// Ending running programs by executable name (Tool Help snapshots).
#pragma once

#include <windows.h>

// Full access to the first running process of that name (case ignored); null when there is
// none or it cannot be opened.
HANDLE FindProcessByName(const wchar_t* name);
// Ends every process of that name: up to 99 rounds of find, terminate and a pause.
void KillProcessesByName(const wchar_t* name);
