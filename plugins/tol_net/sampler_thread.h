// CSamplerThread: a thread that runs one routine a second until it is stopped.
//
// It arms a one-shot waitable timer for one second, runs the routine when the timer fires and
// arms it again, so runs are one second plus the routine's own time apart. Its owner starts
// and stops it; the stop event exists before the thread runs, so a stop cannot miss it.
#pragma once

#include <windows.h>

class CSamplerThread {
public:
    using Routine = void (*)(void* context);

    CSamplerThread() = default;
    ~CSamplerThread() { Stop(); }
    CSamplerThread(const CSamplerThread&) = delete;
    CSamplerThread& operator=(const CSamplerThread&) = delete;

    // False when the event or the thread could not be made.
    bool Start(Routine routine, void* context);

    // Signals the thread and waits for it: `firstWaitMs`, then on without limit. The thread is
    // never ended by force: it may be inside the routine, holding its owner's locks, and the
    // routine itself only makes calls that return.
    void Stop(DWORD firstWaitMs = kStopWaitMs);

    bool Running() const { return m_thread != nullptr; }

    static constexpr DWORD kStopWaitMs = 15000;

private:
    static DWORD WINAPI ThreadProc(void* param);
    void Run();

    HANDLE m_stopEvent = nullptr;
    HANDLE m_thread = nullptr;
    Routine m_routine = nullptr;
    void* m_context = nullptr;
};
