#include "dispatch_event_queue.h"

#include "connection_point.h"

#include <algorithm>
#include <memory>
#include <new>

namespace {

// What an event holds, as counted against a client's bound.
size_t EventBytes(const DispatchEvent& event)
{
    size_t bytes = sizeof(DispatchEvent);
    for (const CComVariant& arg : event.args)
        bytes += sizeof(VARIANT) + arg.ByteLength();
    return bytes;
}

}  // namespace

CDispatchEventQueue* CDispatchEventQueue::Create(const CConnectionPoint* point)
{
    return new (std::nothrow) CDispatchEventQueue(point);
}

bool CDispatchEventQueue::Post(DISPID id, const VARIANT* args, UINT count)
{
    if (count && !args)
        return false;
    try {
        auto event = std::make_shared<DispatchEvent>();
        event->id = id;
        event->args.reserve(count);
        for (UINT i = 0; i < count; ++i) {
            event->args.emplace_back(args[i]);
            if (event->args.back().vt == VT_ERROR && args[i].vt != VT_ERROR)
                return false;  // the copy failed
        }
        event->bytes = EventBytes(*event);
        CScopedLock lock(m_lock);
        if (!m_point)
            return false;
        MatchChannels();
        for (CSinkChannel* channel : m_channels)
            channel->Post(event);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

void CDispatchEventQueue::MatchChannels()
{
    std::vector<SinkConnection> connections = m_point->Connections();
    for (auto it = m_channels.begin(); it != m_channels.end();) {
        DWORD cookie = (*it)->Cookie();
        bool advised =
            std::any_of(connections.begin(), connections.end(),
                        [cookie](const SinkConnection& c) { return c.cookie == cookie; });
        if (advised) {
            ++it;
            continue;
        }
        CloseChannel(*it);
        it = m_channels.erase(it);
    }
    for (const SinkConnection& connection : connections) {
        bool known = std::any_of(m_channels.begin(), m_channels.end(),
                                 [&](CSinkChannel* c) { return c->Cookie() == connection.cookie; });
        if (known)
            continue;
        m_channels.reserve(m_channels.size() + 1);
        if (CSinkChannel* channel = CSinkChannel::Create(connection.cookie, connection.sink))
            m_channels.push_back(channel);
    }
}

void CDispatchEventQueue::CloseChannel(CSinkChannel* channel)
{
    m_droppedByClosed += channel->Dropped();
    channel->Close();
}

bool CDispatchEventQueue::Flush(DWORD milliseconds)
{
    ULONGLONG end = GetTickCount64() + milliseconds;
    for (;;) {
        HANDLE busy = nullptr;
        {
            CScopedLock lock(m_lock);
            for (CSinkChannel* channel : m_channels) {
                if (WaitForSingleObject(channel->IdleEvent(), 0) == WAIT_OBJECT_0)
                    continue;
                // A handle of its own: the channel may be closed while this thread waits.
                DuplicateHandle(GetCurrentProcess(), channel->IdleEvent(), GetCurrentProcess(),
                                &busy, SYNCHRONIZE, FALSE, 0);
                break;
            }
        }
        if (!busy)
            return true;
        ULONGLONG now = GetTickCount64();
        DWORD wait = milliseconds == INFINITE ? INFINITE
                     : now >= end             ? 0
                                              : static_cast<DWORD>(end - now);
        DWORD result = WaitForSingleObject(busy, wait);
        CloseHandle(busy);
        if (result != WAIT_OBJECT_0)
            return false;
    }
}

void CDispatchEventQueue::Close(DWORD milliseconds)
{
    Flush(milliseconds);
    {
        CScopedLock lock(m_lock);
        m_point = nullptr;
        for (CSinkChannel* channel : m_channels)
            channel->Close();
        m_channels.clear();
    }
    delete this;
}

unsigned long CDispatchEventQueue::Dropped()
{
    CScopedLock lock(m_lock);
    unsigned long dropped = m_droppedByClosed;
    for (CSinkChannel* channel : m_channels)
        dropped += channel->Dropped();
    return dropped;
}

size_t CDispatchEventQueue::MostQueuedEvents()
{
    CScopedLock lock(m_lock);
    size_t most = 0;
    for (CSinkChannel* channel : m_channels)
        most = std::max(most, channel->QueuedEvents());
    return most;
}

size_t CDispatchEventQueue::MostQueuedBytes()
{
    CScopedLock lock(m_lock);
    size_t most = 0;
    for (CSinkChannel* channel : m_channels)
        most = std::max(most, channel->QueuedBytes());
    return most;
}
