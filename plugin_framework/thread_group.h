// CThreadGroup: threads that one owner starts and then joins all at once.
//
// A pass that hands each test to a thread of its own starts them here and calls JoinAll before
// it frees what the threads use. The platform waits for at most 64 handles at a time, so the
// join waits for them in groups of 64. The destructor joins whatever is still running.
#pragma once

#include <windows.h>

#include <vector>

class CThreadGroup {
public:
    CThreadGroup() = default;
    ~CThreadGroup() { JoinAll(); }
    CThreadGroup(const CThreadGroup&) = delete;
    CThreadGroup& operator=(const CThreadGroup&) = delete;

    // False when the thread could not be created; it is then not part of the group.
    bool Start(LPTHREAD_START_ROUTINE procedure, void* argument);

    // Waits, without a time limit, until every thread started has ended; closes the handles.
    void JoinAll();

    size_t Size() const { return m_threads.size(); }

private:
    std::vector<HANDLE> m_threads;
};
