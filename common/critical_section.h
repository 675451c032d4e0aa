// A critical section that owns itself, and a scoped lock on it.
#pragma once

#include <windows.h>

class CCriticalSection {
public:
    CCriticalSection() { InitializeCriticalSection(&m_cs); }
    ~CCriticalSection() { DeleteCriticalSection(&m_cs); }
    CCriticalSection(const CCriticalSection&) = delete;
    CCriticalSection& operator=(const CCriticalSection&) = delete;

    void Enter() { EnterCriticalSection(&m_cs); }
    void Leave() { LeaveCriticalSection(&m_cs); }
    // For condition variables that sleep on this section.
    CRITICAL_SECTION* native() { return &m_cs; }

private:
    CRITICAL_SECTION m_cs;
};

class CScopedLock {
public:
    explicit CScopedLock(CCriticalSection& cs) : m_cs(cs) { m_cs.Enter(); }
    ~CScopedLock() { m_cs.Leave(); }
    CScopedLock(const CScopedLock&) = delete;
    CScopedLock& operator=(const CScopedLock&) = delete;

private:
    CCriticalSection& m_cs;
};

// A lock for the whole life of the process: made on first use and never destroyed. For locks
// that code run by static destructors still takes (the agent's global engine fires statuses
// and writes its trace while it is torn down, after every function-local static made later
// than it is gone).
template <class Tag>
CCriticalSection& ProcessLifetimeLock()
{
    static CCriticalSection* const lock = new CCriticalSection;
    return *lock;
}
