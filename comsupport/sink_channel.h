// CSinkChannel: the events bound for one advised sink, delivered in order on a thread of the
// channel's own, so that a client slow or hung in its handler holds up nobody but itself.
//
// What one client can hold is bounded: beyond kMaxQueuedEvents events, or kMaxQueuedBytes of
// their arguments, its oldest queued events are dropped and counted. A hung client thus costs
// one thread and a bounded queue.
//
// The channel is shared by its owner and its thread. Close detaches it: what is queued is
// dropped, and the thread ends as soon as the call under way (if any) returns, letting go of
// the sink.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <deque>
#include <memory>
#include <vector>

#include "com_ptr.h"
#include "com_variant.h"
#include "critical_section.h"
#include "scoped_handle.h"

// One event as posted: IDispatch::Invoke(id) with its arguments in the order of the event's
// parameters. Shared by the channels of every sink it goes to.
struct DispatchEvent {
    DISPID id = 0;
    std::vector<CComVariant> args;
    size_t bytes = 0;  // what the event holds, as counted against a client's bound
};

class CSinkChannel {
public:
    static constexpr size_t kMaxQueuedEvents = 1024;
    static constexpr size_t kMaxQueuedBytes = 1024 * 1024;

    // A channel to `sink` (advised as `cookie`) with its thread running; null when the thread
    // cannot be started.
    static CSinkChannel* Create(DWORD cookie, IUnknown* sink);

    DWORD Cookie() const { return m_cookie; }
    // Queues the event, dropping the oldest queued ones beyond the bounds.
    void Post(const std::shared_ptr<const DispatchEvent>& event);
    // Signalled while nothing is queued and nothing is being delivered.
    HANDLE IdleEvent() const { return m_idle.Get(); }
    // Events dropped so far to keep within the bounds.
    unsigned long Dropped();
    // Events queued now (the one being delivered not counted) and their bytes.
    size_t QueuedEvents();
    size_t QueuedBytes();
    // Drops what is queued and lets go of the owner's share; not to be used afterwards.
    void Close();

private:
    CSinkChannel(DWORD cookie, IUnknown* sink);
    ~CSinkChannel() = default;
    CSinkChannel(const CSinkChannel&) = delete;
    CSinkChannel& operator=(const CSinkChannel&) = delete;

    void Release();
    static DWORD WINAPI ThreadProc(void* argument);
    void Run();
    std::shared_ptr<const DispatchEvent> TakeNext(bool* closed);

    long m_ref = 1;
    const DWORD m_cookie;
    CComPtr<IUnknown> m_sink;  // the thread's to call; released with the channel
    CCriticalSection m_lock;
    std::deque<std::shared_ptr<const DispatchEvent>> m_events;
    size_t m_bytes = 0;
    unsigned long m_dropped = 0;
    bool m_closed = false;
    CScopedHandle m_wake;  // auto-reset: an event was posted, or the channel was closed
    CScopedHandle m_idle;  // manual-reset: nothing queued and nothing being delivered
};
