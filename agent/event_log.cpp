#include "event_log.h"

#include "agent_service_name.h"

#include <atomic>

namespace {

std::atomic<EventLogObserver> g_observer{nullptr};

}  // namespace

void ReportAgentEvent(WORD type, DWORD eventId, const wchar_t* text)
{
    const wchar_t* strings[1] = {text ? text : L""};
    HANDLE source = RegisterEventSourceW(nullptr, TOL_SERVICE_NAME);
    if (source) {
        ReportEventW(source, type, 0, eventId, nullptr, 1, 0, strings, nullptr);
        DeregisterEventSource(source);
    }
    if (EventLogObserver observer = g_observer.load())
        observer(type, eventId, strings[0]);
}

void SetEventLogObserver(EventLogObserver observer)
{
    g_observer.store(observer);
}
