#include "test_probe.h"

#include <windows.h>

namespace {
volatile LONG g_liveWorkers = 0;
volatile LONG g_activePasses = 0;
}  // namespace

void TestProbeWorkerCreated()
{
    InterlockedIncrement(&g_liveWorkers);
}
void TestProbeWorkerDeleted()
{
    InterlockedDecrement(&g_liveWorkers);
}
void TestProbePassStarted()
{
    InterlockedIncrement(&g_activePasses);
}
void TestProbePassEnded()
{
    InterlockedDecrement(&g_activePasses);
}

long __stdcall TestPlugInLiveWorkers()
{
    return InterlockedCompareExchange(&g_liveWorkers, 0, 0);
}
long __stdcall TestPlugInActivePasses()
{
    return InterlockedCompareExchange(&g_activePasses, 0, 0);
}
