// The agent's entries in the Windows event log (source: the service name). Message ids of the
// program's message table: 0 service notices, 1 errors, 2 status information.
#pragma once

#include <windows.h>

constexpr DWORD kEventIdError = 1;
constexpr DWORD kEventIdStatus = 2;

// Writes one entry: ReportEvent with the one text, category 0. What the agent calls; the tests
// link one of their own in its place (tests/event_log_observer.h) that also records the entry.
void ReportAgentEvent(WORD type, DWORD eventId, const wchar_t* text);

// The writing itself, for both: the entry with `text` (never null) as its one string.
void WriteAgentEventEntry(WORD type, DWORD eventId, const wchar_t* text);
