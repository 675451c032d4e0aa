// Manual-reset events, not set, kept for the next SNMP client: a request creates and closes
// one each, and both cost a call into the system's object manager (a server round trip under
// Wine) that a walk of thousands of requests would pay every time.
#pragma once

#include <windows.h>

// A manual-reset event that is not set, or null when none can be created.
HANDLE TakeSnmpEvent();
// Hands an event back; `set` says that it may be set and must be reset first.
void ReturnSnmpEvent(HANDLE event, bool set);
