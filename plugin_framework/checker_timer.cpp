#include "checker_timer.h"

int64_t RelativeDueTime(int seconds)
{
    return -static_cast<int64_t>(seconds) * 10000000LL;
}

CCheckerTimer::~CCheckerTimer()
{
    if (m_timer)
        CloseHandle(m_timer);
}

bool CCheckerTimer::Create()
{
    if (!m_timer)
        m_timer = CreateWaitableTimerW(nullptr, TRUE, nullptr);
    return m_timer != nullptr;
}

bool CCheckerTimer::ArmSeconds(int seconds)
{
    LARGE_INTEGER due;
    due.QuadPart = RelativeDueTime(seconds);
    return m_timer && SetWaitableTimer(m_timer, &due, 0, nullptr, nullptr, FALSE);
}
