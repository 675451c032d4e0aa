// What a CSNMPmon keeps beside its published members: the lock that its notification
// handler, its waiter and its destructor take in turn, whether its request has ended, and
// the informs it has lately queued.
#pragma once

#include <deque>
#include <string>

#include "critical_section.h"

struct SnmpMonState {
    explicit SnmpMonState(bool listener) : listener(listener) {}

    const bool listener;  // built in trap mode
    // Held by the notification handler while it runs, and by the owner's thread while it
    // ends the request or takes the object down.
    CCriticalSection lock;
    // The request was answered, timed out or cancelled: later notifications are dropped.
    bool done = false;
    // Keys (sender, community, request id) of the informs queued lately, oldest first.
    std::deque<std::string> recentInforms;
};
