// The engine's own WinINet exchange, counted, and a run of the engine's real main loop that
// ends when the count is reached or the driver says so.
#pragma once

#include "scoped_handle.h"
#include "server_link.h"

#include <windows.h>

#include <atomic>
#include <functional>
#include <utility>

class CMainWorker;

class CCountingLink : public IServerLink {
public:
    // Runs on the main worker thread with the number of the exchange: `before` as it begins,
    // `after` once it is over.
    using Observer = std::function<void(unsigned calls)>;

    // After `target` calls (0: no limit) the link is done; so it is after Finish.
    explicit CCountingLink(unsigned target, Observer after = {}, Observer before = {});
    ~CCountingLink() override = default;
    CCountingLink(const CCountingLink&) = delete;
    CCountingLink& operator=(const CCountingLink&) = delete;

    void SendWithTimeout(CMainWorker& engine) override;
    void Finish();
    HANDLE DoneEvent() const { return m_done.Get(); }
    unsigned Calls() const { return m_calls.load(); }
    // After the `call`-th exchange the driver stops work and starts it again (0: never).
    void RestartAfter(unsigned call) { m_restartAfter = call; }
    HANDLE RestartEvent() const { return m_restart.Get(); }

private:
    unsigned m_target;
    Observer m_after;
    Observer m_before;
    std::atomic<unsigned> m_calls;
    unsigned m_restartAfter = 0;
    CScopedHandle m_done;
    CScopedHandle m_restart;
};

// Starts work on the engine (its link must be this one) and lets the main worker thread run
// until the link is done or work ends by itself, then stops work; stops and starts it again
// when the link asks. `afterStart` runs after every start. False when work could not be
// started.
bool DriveMainLoop(CMainWorker& engine, CCountingLink& link,
                   const std::function<void()>& afterStart = {});
