// CDispatchEventQueue: the events of one connection point, each delivered to every sink that
// was advised when it was posted, in the order posted, on a delivery thread per sink
// (sink_channel.h).
//
// Posting copies the arguments and returns at once, so a thread that holds locks may post: a
// client whose handler calls back into the server (from another thread, as every cross-process
// call arrives) never meets a lock the poster still holds, and a slow or hung client stalls
// only its own delivery thread, holding a bounded queue. The delivery threads join the
// multithreaded apartment.
//
// Close detaches the queue from the connection point: from then on no delivery thread touches
// anything of the owner, so the owner may go even while a delivery to a hung client is still
// under way.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <vector>

#include "critical_section.h"
#include "sink_channel.h"

class CConnectionPoint;

class CDispatchEventQueue {
public:
    // A queue for `point`; null when there is no memory.
    static CDispatchEventQueue* Create(const CConnectionPoint* point);

    // Queues IDispatch::Invoke(id) for every sink advised now; args in the order of the
    // event's parameters. False when the event cannot be queued.
    bool Post(DISPID id, const VARIANT* args, UINT count);
    // Waits until every event posted so far was delivered; false on time-out.
    bool Flush(DWORD milliseconds);
    // Flushes for at most `milliseconds`, drops what is still queued, detaches from the point
    // and ends the queue. The queue must not be used afterwards.
    void Close(DWORD milliseconds);

    // Events dropped so far because a client held its bound of undelivered events.
    unsigned long Dropped();
    // The most events and bytes any one client holds queued now.
    size_t MostQueuedEvents();
    size_t MostQueuedBytes();

private:
    explicit CDispatchEventQueue(const CConnectionPoint* point) : m_point(point) {}
    ~CDispatchEventQueue() = default;
    CDispatchEventQueue(const CDispatchEventQueue&) = delete;
    CDispatchEventQueue& operator=(const CDispatchEventQueue&) = delete;

    // Under the lock: one channel per sink advised now; channels of sinks gone are closed.
    void MatchChannels();
    void CloseChannel(CSinkChannel* channel);

    CCriticalSection m_lock;
    const CConnectionPoint* m_point;  // null once closed
    std::vector<CSinkChannel*> m_channels;
    unsigned long m_droppedByClosed = 0;  // counted by channels since closed
};
