// CSnmpTrapListener: the SNMP plug-in's trap and inform listener, a CSNMPmon in trap mode
// and the thread (TrapListenerThread) that hands every package it queues to the sink as a
// RESULT_SNMP_TRAP record of its own.
//
// Start (TRA) makes, registers and starts a listener unless one runs; Stop (TRD) with the
// listener's test id stops it: the thread has ended and the listener is destroyed when Stop
// returns, so a later Start listens again. Packages still queued at a stop are dropped. When
// a flood fills the listener's queue, its oldest packages are dropped; each drain of the queue
// posts one log line with their count.
#pragma once

#include <windows.h>

#include <string>

#include "critical_section.h"
#include "request_thread.h"

class CSNMPmon;

// The log line that says how many packages the listener's full queue dropped.
std::string TrapDropLine(unsigned long dropped);

class CSnmpTrapListener {
public:
    explicit CSnmpTrapListener(CSnmpRecordSink* sink) : m_sink(sink) {}
    ~CSnmpTrapListener() { StopAny(); }
    CSnmpTrapListener(const CSnmpTrapListener&) = delete;
    CSnmpTrapListener& operator=(const CSnmpTrapListener&) = delete;

    // True when a listener runs afterwards (also when one ran already: nothing changes).
    // The test id and the second value become the packages' test and location ids.
    bool Start(unsigned int tid, unsigned int secondValue);
    // Nothing unless a listener runs with this test id.
    void Stop(unsigned int tid);
    // Stops a running listener whatever its test id.
    void StopAny();
    bool Listening();

private:
    static DWORD WINAPI TrapListenerThread(void* param);
    void Run();
    void PostTaken();
    void StopLocked();

    CSnmpRecordSink* const m_sink;
    CCriticalSection m_lock;  // Start and Stop, one at a time
    CSNMPmon* m_listener = nullptr;
    HANDLE m_thread = nullptr;
    unsigned int m_tid = 0;
    unsigned int m_secondValue = 0;
    volatile LONG m_stop = 1;  // written before the thread is woken, read after each wake
};
