#include "agent_service_name.h"
#include "event_log.h"

void WriteAgentEventEntry(WORD type, DWORD eventId, const wchar_t* text)
{
    const wchar_t* strings[1] = {text};
    HANDLE source = RegisterEventSourceW(nullptr, TOL_SERVICE_NAME);
    if (source) {
        ReportEventW(source, type, 0, eventId, nullptr, 1, 0, strings, nullptr);
        DeregisterEventSource(source);
    }
}
