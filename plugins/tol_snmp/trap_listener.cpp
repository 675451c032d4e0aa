#include "trap_listener.h"

#include <cstdio>
#include <new>
#include <vector>

#include "bounded_packages.h"
#include "mon_result2.h"
#include "snmp_mon.h"

namespace {

// Errors and figures that matter to the admin: the level of a dropped-packages line.
constexpr int kLevelErrors = 1;

}  // namespace

std::string TrapDropLine(unsigned long dropped)
{
    char line[200];
    snprintf(line, sizeof line,
             "tol_snmp: %lu trap packages dropped, the oldest first: the listener keeps at most %u "
             "packages (%u bytes) waiting.",
             dropped, static_cast<unsigned>(kTrapQueuePackages),
             static_cast<unsigned>(kTrapQueueBytes));
    return line;
}

bool CSnmpTrapListener::Start(unsigned int tid, unsigned int secondValue)
{
    CScopedLock lock(m_lock);
    if (m_listener)
        return true;
    CSNMPmon* listener = new (std::nothrow) CSNMPmon(true);
    if (!listener)
        return false;
    bool ready = listener->InitInst(nullptr, 0, nullptr, nullptr, 0, 0, 2, nullptr, false);
    if (ready) {
        listener->m_TestId = tid;
        listener->m_LocationId = secondValue;
        ready = listener->RegisterTrap(true);
    }
    if (ready) {
        m_listener = listener;
        InterlockedExchange(&m_stop, 0);
        m_thread = CreateThread(nullptr, 0, TrapListenerThread, this, 0, nullptr);
        if (m_thread) {
            m_tid = tid;
            m_secondValue = secondValue;
            return true;
        }
        listener->RegisterTrap(false);
        m_listener = nullptr;
        InterlockedExchange(&m_stop, 1);
    }
    delete listener;
    return false;
}

void CSnmpTrapListener::Stop(unsigned int tid)
{
    CScopedLock lock(m_lock);
    if (m_listener && m_listener->m_TestId == tid)
        StopLocked();
}

void CSnmpTrapListener::StopAny()
{
    CScopedLock lock(m_lock);
    if (m_listener)
        StopLocked();
}

bool CSnmpTrapListener::Listening()
{
    CScopedLock lock(m_lock);
    return m_listener != nullptr;
}

// The thread has ended before the listener goes, and the listener goes before anything the
// SNMP API needs is cleaned up.
void CSnmpTrapListener::StopLocked()
{
    InterlockedExchange(&m_stop, 1);
    m_listener->cancelRequest();
    m_listener->RegisterTrap(false);
    if (m_thread) {
        WaitForSingleObject(m_thread, INFINITE);
        CloseHandle(m_thread);
        m_thread = nullptr;
    }
    delete m_listener;
    m_listener = nullptr;
}

DWORD WINAPI CSnmpTrapListener::TrapListenerThread(void* param)
{
    static_cast<CSnmpTrapListener*>(param)->Run();
    return 0;
}

void CSnmpTrapListener::Run()
{
    for (;;) {
        bool woke = m_listener->wait(INFINITE);
        if (InterlockedCompareExchange(&m_stop, 0, 0))
            return;
        if (woke)
            PostTaken();
    }
}

// Takes every queued package at once and posts each by itself, outside the package lock, so
// that the SNMP API's thread can queue the next ones meanwhile; then says once how many the
// full queue dropped since the last time.
void CSnmpTrapListener::PostTaken()
{
    std::vector<CMonResult2*> taken;
    EnterCriticalSection(&m_listener->m_PackageLock);
    taken.swap(m_listener->m_Packages);
    unsigned long dropped = m_listener->TakeDroppedPackages();
    LeaveCriticalSection(&m_listener->m_PackageLock);
    for (CMonResult2* package : taken) {
        CComBSTR bytes;
        if (!InterlockedCompareExchange(&m_stop, 0, 0) &&
            bytes.AssignBytes(package->get_pointer(), package->get_size()))
            m_sink->PostRecord(&bytes, kSnmpNewData);
        m_listener->DeleteResult(package);
    }
    if (dropped && !InterlockedCompareExchange(&m_stop, 0, 0))
        m_sink->PostLog(kLevelErrors, TrapDropLine(dropped).c_str());
}
