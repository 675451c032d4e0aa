// Updater.exe: replaces the agent's installed files with an unpacked update and restarts the
// agent's service. It has no window; its day log tells what it did.
#include "run_update.h"

#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR arguments, int)
{
    return RunUpdate(GetCommandLineW(), arguments);
}
