// What a CSNMPmon keeps beside its published members: the lock that its notification
// handler, its waiter and its destructor take in turn, how a waiter learns of a completion,
// whether its request has ended, the informs it has lately queued and the bounds of its queue.
#pragma once

#include <windows.h>

#include <deque>
#include <string>

#include "bounded_packages.h"
#include "critical_section.h"
#include "mon_result2.h"

struct SnmpMonState {
    explicit SnmpMonState(bool listener) : listener(listener)
    {
        InitializeConditionVariable(&wake);
    }

    const bool listener;  // built in trap mode
    // Held by the notification handler while it runs, and by the owner's thread while it
    // waits, ends the request or takes the object down.
    CCriticalSection lock;
    // A waiter sleeps here until `signalled`: a completion (or queued packages) it has not
    // taken yet. Waking a thread this way costs no call into the system's object manager,
    // which an event costs on every set, wait and reset.
    CONDITION_VARIABLE wake;
    bool signalled = false;
    bool eventSet = false;  // m_Event is set and wait has not reset it yet
    // The request was answered, timed out or cancelled: later notifications are dropped.
    bool done = false;
    // Keys (sender, community, request id) of the informs queued lately, oldest first.
    std::deque<std::string> recentInforms;
    // The bounds of m_Packages (guarded by m_PackageLock, like the vector itself).
    CBoundedPackages<CMonResult2> packageBounds{kTrapQueuePackages, kTrapQueueBytes};
};
