// The agent's ReportAgentEvent. Alone in its file: a test program that links an observing one
// of its own never pulls this one out of the library.
#include "event_log.h"

void ReportAgentEvent(WORD type, DWORD eventId, const wchar_t* text)
{
    WriteAgentEventEntry(type, eventId, text ? text : L"");
}
