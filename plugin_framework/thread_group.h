// CThreadGroup: threads that one owner starts and then joins all at once.
//
// A pass that hands each test to a thread of its own starts them here and calls JoinAll before
// it frees what the threads use. The platform waits for at most 64 handles at a time, so the
// join waits for them in groups of 64. The destructor joins whatever is still running.
#pragma once

#include <windows.h>

#include <memory>
#include <new>
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

// StartItemThread(group, item, owner, run): runs run(*item, owner) on a new thread of the
// group, a pass's thread on its own copy of a test; the thread owns the item and frees it when
// run returns. False when no thread could be started; the item is then freed.
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
bool StartItemThread(CThreadGroup* group, std::unique_ptr<Item> item, Owner* owner, Run run)
{
    using Job = CItemThreadJob<Item, Owner, Run>;
    if (!group || !item || !owner)
        return false;
    std::unique_ptr<Job> job(new (std::nothrow) Job{std::move(item), owner, run});
    if (!job || !group->Start(&Job::Proc, job.get()))
        return false;
    job.release();
    return true;
}
