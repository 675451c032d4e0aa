// The main worker thread: the timer loop that polls the plug-ins and talks to the server.
#include "main_worker.h"

#include "agent_texts.h"
#include "scoped_handle.h"

namespace {

constexpr long kDefaultPollPeriod = 60;

// Sets the loop's waitable timer to go off `seconds` from now.
bool SetTimerRelative(HANDLE timer, unsigned long seconds)
{
    LARGE_INTEGER due;
    due.QuadPart = -static_cast<LONGLONG>(seconds) * 10000000LL;
    return SetWaitableTimer(timer, &due, 0, nullptr, nullptr, FALSE) != FALSE;
}

}  // namespace

unsigned long MainLoopWaitSeconds(long pollPeriod, unsigned long elapsedSeconds)
{
    unsigned long period = static_cast<unsigned long>(pollPeriod);
    if (elapsedSeconds >= period)
        return 1;
    return period - elapsedSeconds;
}

DWORD WINAPI CMainWorker::MainWorkerThread(void* argument)
{
    auto* engine = static_cast<CMainWorker*>(argument);
    engine->RunMainLoop();
    engine->EndMainWorkerThread();
    return 0;
}

void CMainWorker::RunMainLoop()
{
    HANDLE stopEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    {
        CScopedLock lock(m_stopEventLock);
        m_stopEvent = stopEvent;
        // A stop that came before the event existed could not signal it.
        if (stopEvent && GetRunState() == RUN_STOPPING)
            SetEvent(stopEvent);
    }
    CScopedHandle timer(CreateWaitableTimerW(nullptr, TRUE, L"Tolvane_Main_Worker"));
    if (!stopEvent || !timer)
        return;

    ULONGLONG cycleStart = GetTickCount64();
    for (;;) {
        unsigned long wait;
        {
            CScopedLock lock(m_periodLock);
            if (m_pollPeriod == 0) {
                m_pollPeriod = kDefaultPollPeriod;
                wait = 1;
            } else {
                unsigned long elapsed =
                    static_cast<unsigned long>((GetTickCount64() - cycleStart) / 1000);
                wait = MainLoopWaitSeconds(m_pollPeriod, elapsed);
            }
        }
        if (!SetTimerRelative(timer.Get(), wait))
            return;
        HANDLE handles[2] = {stopEvent, timer.Get()};
        DWORD result = WaitForMultipleObjects(2, handles, FALSE, INFINITE);
        cycleStart = GetTickCount64();
        if (result == WAIT_OBJECT_0) {
            if (GetRunState() == RUN_STOPPING)
                return;
            continue;
        }
        if (result != WAIT_OBJECT_0 + 1)
            return;
        MainLoopTick();
    }
}

void CMainWorker::MainLoopTick()
{
    // Every tick moves the plug-ins' results into the send cache, logged in or not: its
    // limits, with the oldest buffers dropped first, are what bounds an outage of any length.
    CollectPlugInData();
    if (!m_authorized.load()) {
        SendWithTimeout();  // a login
        if (!m_authorized.load())
            return;
        Sleep(1000);
        CollectPlugInData();
    }
    SendWithTimeout();
}

void CMainWorker::EndMainWorkerThread()
{
    {
        CScopedLock lock(m_stopEventLock);
        if (m_stopEvent)
            CloseHandle(m_stopEvent);
        m_stopEvent = nullptr;
    }
    FireStatusChanged(STATUS_STOPPED, TOL_TEXT_ALL_STOPPED);
    CScopedLock lock(m_stateLock);
    // Nobody waits for this thread (a stop from the sending thread): let go of its handle.
    if (m_mainWorkerThread)
        CloseHandle(m_mainWorkerThread);
    m_mainWorkerThread = nullptr;
    m_runState = RUN_STOPPED;
}
