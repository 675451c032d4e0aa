#include "thread_join.h"

void JoinStoppedThread(HANDLE* thread, HANDLE stopEvent, DWORD firstWaitMs)
{
    if (!*thread)
        return;
    SetEvent(stopEvent);
    if (WaitForSingleObject(*thread, firstWaitMs) == WAIT_TIMEOUT)
        WaitForSingleObject(*thread, INFINITE);
    CloseHandle(*thread);
    *thread = nullptr;
}
