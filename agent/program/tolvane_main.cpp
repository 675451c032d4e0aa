// Tolvane.exe: the agent program, a Windows service and out-of-process COM server.
#include "main_worker_instance.h"
#include "quorin_agent.h"
#include "tolvane_module.h"

#include <windows.h>

// Constructed before the work engine (a smaller init_priority than the engine's), so COM is
// up and the service name known when the engine starts work during its own construction.
CTolvaneModule g_Module __attribute__((init_priority(10000)));

namespace {

// How long the program's end waits for a sending thread that outlived its time limit and for
// an upgrade download under way.
constexpr DWORD kSendingThreadGraceMs = 2000;

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int)
{
    CQuorinAgent::AttachEngine(&g_MainWorker);
    int rc = g_Module.WinMain(GetCommandLineW());
    g_Module.Term();
    // The service has reported STOPPED (or the last client of the plain server has gone):
    // work is stopped now. A sending thread stuck in a request past its time limit, or an
    // upgrade download under way, cannot be aborted, and the engine cannot be torn down under
    // it; the process ends without waiting for the server, its end reclaiming what that thread
    // holds. A service started again meanwhile would otherwise find a second Tolvane.exe
    // logging in beside it.
    if (!g_MainWorker.FinishForExit(kSendingThreadGraceMs))
        ExitProcess(static_cast<UINT>(rc));
    return rc;
}
