#include "event_log_observer.h"

#include <atomic>

namespace {

std::atomic<EventLogObserver> g_observer{nullptr};

}  // namespace

void ReportAgentEvent(WORD type, DWORD eventId, const wchar_t* text)
{
    const wchar_t* entry = text ? text : L"";
    WriteAgentEventEntry(type, eventId, entry);
    if (EventLogObserver observer = g_observer.load())
        observer(type, eventId, entry);
}

void SetEventLogObserver(EventLogObserver observer)
{
    g_observer.store(observer);
}
