// Tolvane.exe: the agent program, a Windows service and out-of-process COM server.
#include "main_worker_instance.h"
#include "quorin_agent.h"
#include "tolvane_module.h"

#include <windows.h>

// Constructed before the work engine (a smaller init_priority than the engine's), so COM is
// up and the service name known when the engine starts work during its construction.
CTolvaneModule g_Module __attribute__((init_priority(10000)));

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int)
{
    CQuorinAgent::AttachEngine(&g_MainWorker);
    int rc = g_Module.WinMain(GetCommandLineW());
    g_Module.Term();
    return rc;
}
