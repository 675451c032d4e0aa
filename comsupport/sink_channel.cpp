#include "sink_channel.h"

#include "com_init.h"
#include "connection_point.h"

#include <new>

CSinkChannel* CSinkChannel::Create(DWORD cookie, IUnknown* sink)
{
    auto* channel = new (std::nothrow) CSinkChannel(cookie, sink);
    if (!channel)
        return nullptr;
    if (!channel->m_wake || !channel->m_idle) {
        delete channel;
        return nullptr;
    }
    channel->m_ref = 2;  // the owner's share and the thread's
    HANDLE thread = CreateThread(nullptr, 0, &CSinkChannel::ThreadProc, channel, 0, nullptr);
    if (!thread) {
        delete channel;
        return nullptr;
    }
    CloseHandle(thread);
    return channel;
}

CSinkChannel::CSinkChannel(DWORD cookie, IUnknown* sink)
    : m_cookie(cookie),
      m_sink(sink),
      m_wake(CreateEventW(nullptr, FALSE, FALSE, nullptr)),
      m_idle(CreateEventW(nullptr, TRUE, TRUE, nullptr))
{
}

void CSinkChannel::Release()
{
    if (InterlockedDecrement(&m_ref) == 0)
        delete this;
}

void CSinkChannel::Post(const std::shared_ptr<const DispatchEvent>& event)
{
    {
        CScopedLock lock(m_lock);
        if (m_closed)
            return;
        m_events.push_back(event);
        m_bytes += event->bytes;
        // The newest event always stays: the oldest go first.
        while (m_events.size() > 1 &&
               (m_events.size() > kMaxQueuedEvents || m_bytes > kMaxQueuedBytes)) {
            m_bytes -= m_events.front()->bytes;
            m_events.pop_front();
            ++m_dropped;
        }
        ResetEvent(m_idle.Get());
    }
    SetEvent(m_wake.Get());
}

unsigned long CSinkChannel::Dropped()
{
    CScopedLock lock(m_lock);
    return m_dropped;
}

size_t CSinkChannel::QueuedEvents()
{
    CScopedLock lock(m_lock);
    return m_events.size();
}

size_t CSinkChannel::QueuedBytes()
{
    CScopedLock lock(m_lock);
    return m_bytes;
}

void CSinkChannel::Close()
{
    {
        CScopedLock lock(m_lock);
        m_closed = true;
        m_events.clear();
        m_bytes = 0;
    }
    SetEvent(m_wake.Get());
    Release();
}

DWORD WINAPI CSinkChannel::ThreadProc(void* argument)
{
    auto* channel = static_cast<CSinkChannel*>(argument);
    {
        CComInit com(COINIT_MULTITHREADED);
        channel->Run();
        channel->m_sink.Release();  // while COM is still up on this thread
    }
    channel->Release();
    return 0;
}

void CSinkChannel::Run()
{
    for (;;) {
        bool closed = false;
        std::shared_ptr<const DispatchEvent> event = TakeNext(&closed);
        if (closed)
            return;
        if (!event) {
            WaitForSingleObject(m_wake.Get(), INFINITE);
            continue;
        }
        CConnectionPoint::FireDispatchToSink(m_sink.Get(), event->id, event->args.data(),
                                             static_cast<UINT>(event->args.size()));
    }
}

std::shared_ptr<const DispatchEvent> CSinkChannel::TakeNext(bool* closed)
{
    CScopedLock lock(m_lock);
    *closed = m_closed;
    if (m_closed || m_events.empty()) {
        if (!m_closed)
            SetEvent(m_idle.Get());  // the last delivery has returned
        return nullptr;
    }
    std::shared_ptr<const DispatchEvent> event = std::move(m_events.front());
    m_events.pop_front();
    m_bytes -= event->bytes;
    return event;
}
