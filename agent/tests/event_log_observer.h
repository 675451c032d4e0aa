// The tests' ReportAgentEvent: writes the entry as the agent's does, then hands it to an
// observer, so that a test sees the entries on a system whose event log keeps nothing. A test
// program links event_log_observer.cpp (the agent_event_log_observer library) in place of the
// agent's event_log.cpp; the agent's programs never carry it.
#pragma once

#include "event_log.h"

// Called with every entry after it was reported; null removes it.
using EventLogObserver = void (*)(WORD type, DWORD eventId, const wchar_t* text);
void SetEventLogObserver(EventLogObserver observer);
