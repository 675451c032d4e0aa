#include "sampler_thread.h"

#include "checker_timer.h"
#include "thread_join.h"

namespace {

constexpr int kSampleSeconds = 1;

}  // namespace

bool CSamplerThread::Start(Routine routine, void* context)
{
    if (m_thread || !routine)
        return false;
    m_routine = routine;
    m_context = context;
    m_stopEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!m_stopEvent)
        return false;
    m_thread = CreateThread(nullptr, 0, ThreadProc, this, 0, nullptr);
    if (!m_thread) {
        CloseHandle(m_stopEvent);
        m_stopEvent = nullptr;
        return false;
    }
    return true;
}

void CSamplerThread::Stop(DWORD firstWaitMs)
{
    JoinStoppedThread(&m_thread, m_stopEvent, firstWaitMs);
    if (m_stopEvent) {
        CloseHandle(m_stopEvent);
        m_stopEvent = nullptr;
    }
}

DWORD WINAPI CSamplerThread::ThreadProc(void* param)
{
    static_cast<CSamplerThread*>(param)->Run();
    return 0;
}

void CSamplerThread::Run()
{
    CCheckerTimer timer;
    if (!timer.Create())
        return;
    HANDLE handles[2] = {m_stopEvent, timer.Handle()};
    for (;;) {
        if (!timer.ArmSeconds(kSampleSeconds))
            return;
        if (WaitForMultipleObjects(2, handles, FALSE, INFINITE) != WAIT_OBJECT_0 + 1)
            return;
        m_routine(m_context);
    }
}
