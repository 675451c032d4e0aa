// CThreadGroup: threads that one owner starts and then joins all at once.
//
// A pass that hands each test to a thread of its own starts them here and calls JoinAll before
// it frees what the threads use. The platform waits for at most 64 handles at a time, so the
// join waits for them in groups of 64. The destructor joins whatever is still running.
// Threads are created by the group's starter: the plug-ins' small stack (plugin_thread.h)
// unless a test gives another.
#pragma once

#include <windows.h>

#include <memory>
#include <new>
#include <vector>

#include "plugin_thread.h"

class CThreadGroup {
public:
    explicit CThreadGroup(PlugInThreadStarter starter = &StartPlugInThread) : m_starter(starter) {}
    ~CThreadGroup() { JoinAll(); }
    CThreadGroup(const CThreadGroup&) = delete;
    CThreadGroup& operator=(const CThreadGroup&) = delete;

    // False, with the thread's last error set, when the thread could not be created; it is
    // then not part of the group.
    bool Start(LPTHREAD_START_ROUTINE procedure, void* argument);

    // Waits, without a time limit, until every thread started has ended; closes the handles.
    void JoinAll();

    size_t Size() const { return m_threads.size(); }

private:
    PlugInThreadStarter m_starter;
    std::vector<HANDLE> m_threads;
};

// StartItemThread(group, &item, owner, run): runs run(*item, owner) on a new thread of the
// group, a pass's thread on its own copy of a test; the thread takes the item over and frees
// it when run returns. False, with the thread's last error set, when no thread could be
// started; the item then stays with the caller, who reports the test that was not measured.
template <class Item, class Owner, class Run>
struct CItemThreadJob {
    std::unique_ptr<Item> item;
    Owner* owner;
    Run run;

    static DWORD WINAPI Proc(void* param)
    {
        std::unique_ptr<CItemThreadJob> job(static_cast<CItemThreadJob*>(param));
        job->run(*job->item, job->owner);
        return 0;
    }
};

template <class Item, class Owner, class Run>
bool StartItemThread(CThreadGroup* group, std::unique_ptr<Item>* item, Owner* owner, Run run)
{
    using Job = CItemThreadJob<Item, Owner, Run>;
    if (!group || !item || !*item || !owner) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    std::unique_ptr<Job> job(new (std::nothrow) Job{nullptr, owner, run});
    if (!job) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    job->item = std::move(*item);
    if (!group->Start(&Job::Proc, job.get())) {
        DWORD error = GetLastError();
        *item = std::move(job->item);
        SetLastError(error);
        return false;
    }
    job.release();
    return true;
}
