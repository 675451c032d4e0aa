// CDispatchEventQueue: events of one connection point, delivered in the order they were posted
// on a thread of their own.
//
// Posting copies the arguments and returns at once, so a thread that holds locks may post: a
// client whose handler calls back into the server (from another thread, as every cross-process
// call arrives) never meets a lock the poster still holds, and a slow or hung client stalls only
// the delivery thread. The delivery thread joins the multithreaded apartment.
//
// The queue is shared by its owner and its thread. Close detaches it from the connection point:
// from then on the thread touches nothing of the owner, so the owner may go even while a
// delivery to a hung client is still under way.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <deque>
#include <vector>

#include "com_ptr.h"
#include "com_variant.h"
#include "critical_section.h"

class CConnectionPoint;

class CDispatchEventQueue {
public:
    // A queue for `point` with its thread running; null when the thread cannot be started.
    static CDispatchEventQueue* Create(const CConnectionPoint* point);

    // Queues IDispatch::Invoke(id) on every sink advised at the time of delivery; args in the
    // order of the event's parameters. False when the event cannot be queued.
    bool Post(DISPID id, const VARIANT* args, UINT count);
    // Waits until every event posted so far was delivered; false on time-out.
    bool Flush(DWORD milliseconds);
    // Flushes for at most `milliseconds`, drops what is still queued, detaches from the point
    // and lets go of the owner's share. The queue must not be used afterwards.
    void Close(DWORD milliseconds);

private:
    struct Event {
        DISPID id;
        std::vector<CComVariant> args;
    };

    explicit CDispatchEventQueue(const CConnectionPoint* point);
    ~CDispatchEventQueue();
    CDispatchEventQueue(const CDispatchEventQueue&) = delete;
    CDispatchEventQueue& operator=(const CDispatchEventQueue&) = delete;

    void Release();
    static DWORD WINAPI ThreadProc(void* argument);
    void Run();
    bool TakeNext(Event* event, std::vector<CComPtr<IUnknown>>* sinks);
    void MarkIdleIfEmpty();

    long m_ref = 1;
    CCriticalSection m_lock;
    const CConnectionPoint* m_point;   // null once closed
    std::deque<Event> m_events;
    HANDLE m_wake = nullptr;   // auto-reset: an event was posted, or the queue was closed
    HANDLE m_idle = nullptr;   // manual-reset: nothing queued and nothing being delivered
};
