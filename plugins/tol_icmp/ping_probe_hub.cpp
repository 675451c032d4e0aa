#include "ping_probe_hub.h"

#include <new>

CPingProbeHub* CPingProbeHub::Create(PostFunction post, void* target)
{
    auto* hub = new (std::nothrow) CPingProbeHub(post, target);
    if (hub && !hub->m_stop) {
        delete hub;
        return nullptr;
    }
    return hub;
}

CPingProbeHub::CPingProbeHub(PostFunction post, void* target)
    : m_post(post), m_target(target), m_stop(CreateEventW(nullptr, TRUE, FALSE, nullptr))
{
}

CPingProbeHub::~CPingProbeHub()
{
    if (m_stop)
        CloseHandle(m_stop);
}

void CPingProbeHub::AddRef()
{
    InterlockedIncrement(&m_references);
}

void CPingProbeHub::Release()
{
    if (InterlockedDecrement(&m_references) == 0)
        delete this;
}

bool CPingProbeHub::TryBeginProbe(int tid)
{
    CScopedLock lock(m_runningLock);
    try {
        return m_running.insert(tid).second;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

void CPingProbeHub::EndProbe(int tid)
{
    CScopedLock lock(m_runningLock);
    m_running.erase(tid);
}

void CPingProbeHub::Post(CComBSTR* data, const char* desc)
{
    CScopedLock lock(m_lock);
    if (m_post && m_target)
        m_post(m_target, data, desc);
}

void CPingProbeHub::Detach()
{
    CScopedLock lock(m_lock);
    m_post = nullptr;
    m_target = nullptr;
    SetEvent(m_stop);
}
