#include "counting_link.h"

#include "heap_helpers.h"
#include "main_worker.h"

CCountingLink::CCountingLink(unsigned target, Observer after, Observer before)
    : m_target(target),
      m_after(std::move(after)),
      m_before(std::move(before)),
      m_calls(0),
      m_done(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      m_restart(CreateEventW(nullptr, FALSE, FALSE, nullptr))
{
}

void CCountingLink::SendWithTimeout(CMainWorker& engine)
{
    if (m_before)
        m_before(m_calls.load() + 1);
    engine.ExchangeWithTimeout();
    unsigned calls = ++m_calls;
    if (m_after)
        m_after(calls);
    if (m_restartAfter && calls == m_restartAfter)
        SetEvent(m_restart.Get());
    if (m_target && calls >= m_target)
        Finish();
}

void CCountingLink::Finish()
{
    SetEvent(m_done.Get());
}

namespace {

bool StartWork(CMainWorker& engine, const std::function<void()>& afterStart)
{
    wchar_t* error = nullptr;
    if (!engine.StartWork(&error)) {
        FreeHeapBlock(error);
        return false;
    }
    if (afterStart)
        afterStart();
    return true;
}

}  // namespace

bool DriveMainLoop(CMainWorker& engine, CCountingLink& link,
                   const std::function<void()>& afterStart)
{
    if (!StartWork(engine, afterStart))
        return false;
    const DWORD kPollMilliseconds = 200;
    HANDLE events[2] = {link.DoneEvent(), link.RestartEvent()};
    for (;;) {
        DWORD woke = WaitForMultipleObjects(2, events, FALSE, kPollMilliseconds);
        if (woke == WAIT_OBJECT_0)
            break;
        if (woke == WAIT_OBJECT_0 + 1) {
            engine.StopMonitoring(nullptr);
            if (!StartWork(engine, afterStart))
                return true;
            continue;
        }
        if (engine.GetRunState() == RUN_STOPPED)
            break;  // the server's refusal ended work
    }
    engine.StopMonitoring(nullptr);
    // A stop begun by the server's refusal does not wait for the main worker thread: it
    // ends (and reports) on its own.
    while (engine.GetRunState() != RUN_STOPPED)
        Sleep(20);
    return true;
}
