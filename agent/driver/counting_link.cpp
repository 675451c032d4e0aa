#include "counting_link.h"

#include "heap_helpers.h"
#include "main_worker.h"

CCountingLink::CCountingLink(unsigned target, Observer observer)
    : m_target(target),
      m_observer(std::move(observer)),
      m_calls(0),
      m_done(CreateEventW(nullptr, TRUE, FALSE, nullptr))
{
}

CCountingLink::~CCountingLink()
{
    if (m_done)
        CloseHandle(m_done);
}

void CCountingLink::SendWithTimeout(CMainWorker& engine)
{
    engine.ExchangeWithTimeout();
    unsigned calls = ++m_calls;
    if (m_observer)
        m_observer(calls);
    if (m_target && calls >= m_target)
        Finish();
}

void CCountingLink::Finish()
{
    SetEvent(m_done);
}

bool DriveMainLoop(CMainWorker& engine, CCountingLink& link)
{
    wchar_t* error = nullptr;
    if (!engine.StartWork(&error)) {
        FreeHeapBlock(error);
        return false;
    }
    const DWORD kPollMilliseconds = 200;
    while (WaitForSingleObject(link.DoneEvent(), kPollMilliseconds) == WAIT_TIMEOUT) {
        if (engine.GetRunState() == RUN_STOPPED)
            break;  // the server's refusal ended work
    }
    engine.StopMonitoring(nullptr);
    return true;
}
