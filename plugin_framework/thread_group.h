// CThreadGroup: the threads one check pass starts, and the one wait for all of them.
//
// A single wait covers at most MAXIMUM_WAIT_OBJECTS (64) handles, so WaitAll waits for the
// threads in groups of that size, one group after another, until every thread has ended.
// The group owns the thread handles: WaitAll closes them, and so does the destructor, which
// waits first.
#pragma once

#include <windows.h>

#include <cstddef>
#include <vector>

class CThreadGroup {
public:
    CThreadGroup() = default;
    ~CThreadGroup();
    CThreadGroup(const CThreadGroup&) = delete;
    CThreadGroup& operator=(const CThreadGroup&) = delete;

    // Starts one thread with default attributes; false when it could not be started.
    bool Start(LPTHREAD_START_ROUTINE routine, void* param);

    // Waits without a time limit until every thread started has ended, then closes them.
    void WaitAll();

    size_t Count() const { return m_threads.size(); }

private:
    std::vector<HANDLE> m_threads;
};
