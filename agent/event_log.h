// The agent's entries in the Windows event log (source: the service name). Message ids of the
// program's message table: 0 service notices, 1 errors, 2 status information.
#pragma once

#include <windows.h>

constexpr DWORD kEventIdError = 1;
constexpr DWORD kEventIdStatus = 2;

// Writes one entry: ReportEvent with the one text, category 0.
void ReportAgentEvent(WORD type, DWORD eventId, const wchar_t* text);

// Called with every entry after it was reported. Lets a test see the entries on a system
// whose event log keeps nothing; null removes it.
using EventLogObserver = void (*)(WORD type, DWORD eventId, const wchar_t* text);
void SetEventLogObserver(EventLogObserver observer);
