#include "thread_group.h"

#include <new>

bool CThreadGroup::Start(LPTHREAD_START_ROUTINE procedure, void* argument)
{
    // Room first: a thread that runs must always be joined.
    try {
        m_threads.reserve(m_threads.size() + 1);
    } catch (const std::bad_alloc&) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    HANDLE thread = m_starter(procedure, argument);
    if (!thread)
        return false;
    m_threads.push_back(thread);
    return true;
}

void CThreadGroup::JoinAll()
{
    for (size_t at = 0; at < m_threads.size(); at += MAXIMUM_WAIT_OBJECTS) {
        DWORD count =
            static_cast<DWORD>(m_threads.size() - at < MAXIMUM_WAIT_OBJECTS ? m_threads.size() - at
                                                                            : MAXIMUM_WAIT_OBJECTS);
        if (WaitForMultipleObjects(count, &m_threads[at], TRUE, INFINITE) == WAIT_FAILED) {
            for (DWORD i = 0; i < count; ++i)
                WaitForSingleObject(m_threads[at + i], INFINITE);
        }
    }
    for (HANDLE thread : m_threads)
        CloseHandle(thread);
    m_threads.clear();
}
