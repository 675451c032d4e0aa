#include "dispatch_event_queue.h"

#include "com_init.h"
#include "connection_point.h"

#include <new>

CDispatchEventQueue* CDispatchEventQueue::Create(const CConnectionPoint* point)
{
    auto* queue = new (std::nothrow) CDispatchEventQueue(point);
    if (!queue)
        return nullptr;
    if (!queue->m_wake || !queue->m_idle) {
        delete queue;
        return nullptr;
    }
    queue->m_ref = 2;   // the owner's share and the thread's
    HANDLE thread = CreateThread(nullptr, 0, &CDispatchEventQueue::ThreadProc, queue, 0, nullptr);
    if (!thread) {
        delete queue;
        return nullptr;
    }
    CloseHandle(thread);
    return queue;
}

CDispatchEventQueue::CDispatchEventQueue(const CConnectionPoint* point)
    : m_point(point),
      m_wake(CreateEventW(nullptr, FALSE, FALSE, nullptr)),
      m_idle(CreateEventW(nullptr, TRUE, TRUE, nullptr))
{
}

CDispatchEventQueue::~CDispatchEventQueue()
{
    if (m_wake)
        CloseHandle(m_wake);
    if (m_idle)
        CloseHandle(m_idle);
}

void CDispatchEventQueue::Release()
{
    if (InterlockedDecrement(&m_ref) == 0)
        delete this;
}

bool CDispatchEventQueue::Post(DISPID id, const VARIANT* args, UINT count)
{
    if (count && !args)
        return false;
    Event event{id, {}};
    event.args.reserve(count);
    for (UINT i = 0; i < count; ++i) {
        event.args.emplace_back(args[i]);
        if (event.args.back().vt == VT_ERROR && args[i].vt != VT_ERROR)
            return false;   // the copy failed
    }
    {
        CScopedLock lock(m_lock);
        if (!m_point)
            return false;
        m_events.push_back(std::move(event));
        ResetEvent(m_idle);
    }
    SetEvent(m_wake);
    return true;
}

bool CDispatchEventQueue::Flush(DWORD milliseconds)
{
    return WaitForSingleObject(m_idle, milliseconds) == WAIT_OBJECT_0;
}

void CDispatchEventQueue::Close(DWORD milliseconds)
{
    Flush(milliseconds);
    {
        CScopedLock lock(m_lock);
        m_point = nullptr;
        m_events.clear();
    }
    SetEvent(m_wake);
    Release();
}

DWORD WINAPI CDispatchEventQueue::ThreadProc(void* argument)
{
    auto* queue = static_cast<CDispatchEventQueue*>(argument);
    {
        CComInit com(COINIT_MULTITHREADED);
        queue->Run();
    }
    queue->Release();
    return 0;
}

void CDispatchEventQueue::Run()
{
    for (;;) {
        Event event;
        std::vector<CComPtr<IUnknown>> sinks;
        while (TakeNext(&event, &sinks)) {
            CConnectionPoint::FireDispatchTo(sinks, event.id, event.args.data(),
                                             static_cast<UINT>(event.args.size()));
            sinks.clear();
            event.args.clear();
            MarkIdleIfEmpty();
        }
        {
            CScopedLock lock(m_lock);
            if (!m_point)
                return;
        }
        WaitForSingleObject(m_wake, INFINITE);
    }
}

bool CDispatchEventQueue::TakeNext(Event* event, std::vector<CComPtr<IUnknown>>* sinks)
{
    CScopedLock lock(m_lock);
    if (!m_point || m_events.empty())
        return false;
    *event = std::move(m_events.front());
    m_events.pop_front();
    *sinks = m_point->Sinks();
    return true;
}

void CDispatchEventQueue::MarkIdleIfEmpty()
{
    CScopedLock lock(m_lock);
    if (m_events.empty())
        SetEvent(m_idle);
}
