#include "ping_result_sink.h"

#include <new>

CPingResultSink* CPingResultSink::Create(PostFunction post, void* target)
{
    return new (std::nothrow) CPingResultSink(post, target);
}

void CPingResultSink::AddRef()
{
    InterlockedIncrement(&m_references);
}

void CPingResultSink::Release()
{
    if (InterlockedDecrement(&m_references) == 0)
        delete this;
}

void CPingResultSink::Post(CComBSTR* data, const char* desc)
{
    CScopedLock lock(m_lock);
    if (m_post && m_target)
        m_post(m_target, data, desc);
}

void CPingResultSink::Detach()
{
    CScopedLock lock(m_lock);
    m_post = nullptr;
    m_target = nullptr;
}
