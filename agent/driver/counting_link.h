// The engine's own WinINet exchange, counted, and a run of the engine's real main loop that
// ends when the count is reached or the driver says so.
#pragma once

#include "server_link.h"

#include <windows.h>

#include <atomic>
#include <functional>
#include <utility>

class CMainWorker;

class CCountingLink : public IServerLink {
public:
    // Runs after each call on the main worker thread, with the number of calls so far.
    using Observer = std::function<void(unsigned calls)>;

    // After `target` calls (0: no limit) the link is done; so it is after Finish.
    explicit CCountingLink(unsigned target, Observer observer = {});
    ~CCountingLink() override;
    CCountingLink(const CCountingLink&) = delete;
    CCountingLink& operator=(const CCountingLink&) = delete;

    void SendWithTimeout(CMainWorker& engine) override;
    void Finish();
    HANDLE DoneEvent() const { return m_done; }
    unsigned Calls() const { return m_calls.load(); }

private:
    unsigned m_target;
    Observer m_observer;
    std::atomic<unsigned> m_calls;
    HANDLE m_done;
};

// Starts work on the engine (its link must be this one) and lets the main worker thread run
// until the link is done or work ends by itself, then stops work. False when work could not
// be started.
bool DriveMainLoop(CMainWorker& engine, CCountingLink& link);
