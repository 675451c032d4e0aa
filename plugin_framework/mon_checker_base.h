// CMonCheckerBase<T>: the worker base of every plug-in.
//
// T is the plug-in's COM class. The worker owns one thread that waits on a one-shot waitable
// timer and three events (stop, check-now, interval-changed) and runs the middle class's check
// pass. A middle class (CMemMon<T>, CICMPchecker<T>, ...) derives from it, adds its test list
// with its own lock and overrides ProcessTest, Check, Start and Stop.
//
// Thread rule: the thread never outlives the worker. Stop signals the stop event and waits
// for the thread until it has ended; long passes watch the stop event (StopRequested,
// WaitForStop) so that they end early.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "com_bstr.h"
#include "critical_section.h"

#include "checker_timer.h"
#include "thread_join.h"

template <class T>
class CMonCheckerBase {
public:
    static constexpr int kDefaultInterval = 300;  // seconds
    static constexpr DWORD kStopWaitMs = 1000;    // first wait of Stop, then it waits on

    CMonCheckerBase() = default;
    CMonCheckerBase(const CMonCheckerBase&) = delete;
    CMonCheckerBase& operator=(const CMonCheckerBase&) = delete;

    // The thread is not stopped here: the owner calls Stop first.
    virtual ~CMonCheckerBase()
    {
        if (m_pending)
            SysFreeString(m_pending);
        CloseEvents();
    }

    // Parses one test line; the base takes nothing.
    virtual bool ProcessTest(const char* utf8Line)
    {
        (void)utf8Line;
        return false;
    }

    virtual void PostResult(CComBSTR* data, const char* desc)
    {
        if (m_owner)
            m_owner->PostResult(data, desc);
    }

    virtual void PostEvent(int level, const char* text)
    {
        if (m_owner)
            m_owner->PostEvent(level, text);
    }

    // Hands over the worker's own pending text, byte for byte, and clears it.
    virtual void TakePending(CComBSTR* out)
    {
        if (!out)
            return;
        CScopedLock lock(m_pendingLock);
        if (!m_pending || SysStringByteLen(m_pending) == 0)
            return;
        BSTR copy = SysAllocStringByteLen(reinterpret_cast<const char*>(m_pending),
                                          SysStringByteLen(m_pending));
        if (!copy)
            return;
        out->Attach(copy);
        SysFreeString(m_pending);
        m_pending = nullptr;
    }

    // Start and Stop hold the state lock throughout, so that two of them never interleave;
    // the worker thread itself never takes it.
    virtual bool Start()
    {
        CScopedLock lock(m_stateLock);
        if (m_running)
            return m_thread != nullptr;
        // The events exist before the thread runs, so a Stop right after Start finds them.
        bool haveEvents = CreateEvents();
        m_thread =
            haveEvents ? CreateThread(nullptr, 0, WorkerThreadProc, this, 0, nullptr) : nullptr;
        if (!m_thread)
            CloseEvents();
        m_running = true;
        return m_thread != nullptr;
    }

    virtual void Stop()
    {
        CScopedLock lock(m_stateLock);
        if (!m_running)
            return;
        // The thread may be inside a long pass: the wait goes on until it has returned.
        JoinStoppedThread(&m_thread, m_stopEvent, kStopWaitMs);
        CloseEvents();
        m_running = false;
    }

    // One check pass; the base measures nothing.
    virtual void Check(bool forced) { (void)forced; }

    // A new check interval in seconds; 0 or less is ignored, an unchanged value wakes nobody.
    void SetInterval(int seconds)
    {
        if (seconds <= 0)
            return;
        CScopedLock lock(m_intervalLock);
        if (seconds == m_interval)
            return;
        m_interval = seconds;
        if (m_intervalChangedEvent)
            SetEvent(m_intervalChangedEvent);
    }

    int GetInterval()
    {
        CScopedLock lock(m_intervalLock);
        return m_interval;
    }

    static DWORD WINAPI WorkerThreadProc(void* param)
    {
        static_cast<CMonCheckerBase*>(param)->RunWorker();
        return 0;
    }

protected:
    // One log line at `level`, through PostEvent (each plug-in names its levels).
    void Post(int level, const char* text) { PostEvent(level, text); }
    void Post(int level, const std::string& text) { PostEvent(level, text.c_str()); }

    // Wakes the worker for a check-now pass (after an add, for instance).
    void SignalCheckNow()
    {
        if (m_checkNowEvent)
            SetEvent(m_checkNowEvent);
    }

    // For long passes: true once Stop has been called.
    bool StopRequested() const
    {
        return m_stopEvent && WaitForSingleObject(m_stopEvent, 0) == WAIT_OBJECT_0;
    }

    // Waits up to `ms` milliseconds; true when Stop was called meanwhile.
    bool WaitForStop(DWORD ms) const
    {
        if (!m_stopEvent) {
            Sleep(ms);
            return false;
        }
        return WaitForSingleObject(m_stopEvent, ms) == WAIT_OBJECT_0;
    }

private:
    enum WakeReason { kWakeStop, kWakeTimer, kWakeCheckNow, kWakeIntervalChanged, kWakeFailed };

    bool CreateEvents()
    {
        m_stopEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        m_checkNowEvent = CreateEventW(nullptr, FALSE, FALSE, nullptr);
        m_intervalChangedEvent = CreateEventW(nullptr, FALSE, FALSE, nullptr);
        return m_stopEvent && m_checkNowEvent && m_intervalChangedEvent;
    }

    void CloseEvents()
    {
        for (HANDLE* event : {&m_stopEvent, &m_checkNowEvent, &m_intervalChangedEvent}) {
            if (*event)
                CloseHandle(*event);
            *event = nullptr;
        }
    }

    WakeReason WaitForWake(HANDLE timer)
    {
        HANDLE handles[4] = {m_stopEvent, timer, m_checkNowEvent, m_intervalChangedEvent};
        DWORD rc = WaitForMultipleObjects(4, handles, FALSE, INFINITE);
        if (rc >= WAIT_OBJECT_0 + 4)
            return kWakeFailed;
        return static_cast<WakeReason>(rc - WAIT_OBJECT_0);
    }

    void RunWorker()
    {
        CCheckerTimer timer;
        if (!timer.Create())
            return;
        for (;;) {
            if (!timer.ArmSeconds(GetInterval()))
                return;
            switch (WaitForWake(timer.Handle())) {
            case kWakeTimer:
                Check(false);
                break;
            case kWakeCheckNow:
                Check(true);
                break;
            case kWakeIntervalChanged:
                break;
            case kWakeStop:
            case kWakeFailed:
                return;
            }
        }
    }

    // Members in their fixed order.
    CCriticalSection m_stateLock;
    bool m_running = false;
    CCriticalSection m_intervalLock;
    int m_interval = kDefaultInterval;

protected:
    // The worker's own pending text: a middle class that keeps a store of its own appends to
    // it under the pending lock and hands it over through TakePending.
    CCriticalSection m_pendingLock;
    BSTR m_pending = nullptr;

private:
    HANDLE m_stopEvent = nullptr;
    HANDLE m_checkNowEvent = nullptr;
    HANDLE m_intervalChangedEvent = nullptr;
    HANDLE m_thread = nullptr;

public:
    T* m_owner = nullptr;  // the COM object; set before Start
};
