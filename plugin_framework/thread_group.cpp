#include "thread_group.h"

#include <algorithm>
#include <new>

CThreadGroup::~CThreadGroup()
{
    WaitAll();
}

bool CThreadGroup::Start(LPTHREAD_START_ROUTINE routine, void* param)
{
    try {
        m_threads.reserve(m_threads.size() + 1);
    } catch (const std::bad_alloc&) {
        return false;
    }
    HANDLE thread = CreateThread(nullptr, 0, routine, param, 0, nullptr);
    if (!thread)
        return false;
    m_threads.push_back(thread);
    return true;
}

void CThreadGroup::WaitAll()
{
    for (size_t at = 0; at < m_threads.size(); at += MAXIMUM_WAIT_OBJECTS) {
        DWORD count = static_cast<DWORD>(
            std::min<size_t>(MAXIMUM_WAIT_OBJECTS, m_threads.size() - at));
        if (WaitForMultipleObjects(count, &m_threads[at], TRUE, INFINITE) == WAIT_FAILED) {
            // A handle that cannot be waited for as a group is waited for alone.
            for (DWORD i = 0; i < count; ++i)
                WaitForSingleObject(m_threads[at + i], INFINITE);
        }
    }
    for (HANDLE thread : m_threads)
        CloseHandle(thread);
    m_threads.clear();
}
