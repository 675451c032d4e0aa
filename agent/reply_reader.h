// The thread that reads the server's good replies, line by line, apart from the sending
// thread: a plug-in's Add may take as long as it likes (a remote log that opens slowly, a
// discovery that must end first) without holding up the exchange or the next tick.
//
// Replies are read one after another in the order they came, each line in order, so the
// first plug-in that takes a line is still the one asked first. The thread starts with the
// first reply and ends with Finish.
#pragma once

#include "critical_section.h"
#include "scoped_handle.h"

#include <windows.h>

#include <deque>
#include <functional>
#include <string>

class CReplyReader {
public:
    // `read`: what is done with one reply body (on the reader's thread).
    explicit CReplyReader(std::function<void(const char*)> read);
    ~CReplyReader();
    CReplyReader(const CReplyReader&) = delete;
    CReplyReader& operator=(const CReplyReader&) = delete;

    // Queues a copy of the body; false when it was dropped (the reader could not be started,
    // or kMaxWaitingReplies wait already behind a read that does not end).
    bool Post(const char* body);
    // Drops the replies not yet begun; the one being read goes on.
    void Discard();
    // Ends the reader once the replies waiting are read (Discard first to drop them), waiting
    // at most `milliseconds`;
    // false when it still runs (a plug-in call that does not return). Later posts start it
    // again.
    bool Finish(DWORD milliseconds = INFINITE);

    static constexpr size_t kMaxWaitingReplies = 64;

private:
    static DWORD WINAPI ThreadProc(void* argument);
    void Run();

    std::function<void(const char*)> m_read;
    CCriticalSection m_lock;
    std::deque<std::string> m_waiting;  // under m_lock
    bool m_quit = false;                // under m_lock
    CScopedHandle m_wake;               // auto reset: a reply waits, or the end
    HANDLE m_thread = nullptr;          // under m_lock
};
