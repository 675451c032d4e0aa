// The worker's one-shot waitable timer (unnamed, manual reset).
#pragma once

#include <windows.h>

#include <cstdint>

// Relative due time of `seconds` in 100-ns units (negative = relative). Computed in 64 bits:
// 300 s are 3,000,000,000 units, more than a 32-bit integer holds.
int64_t RelativeDueTime(int seconds);

class CCheckerTimer {
public:
    CCheckerTimer() = default;
    ~CCheckerTimer();
    CCheckerTimer(const CCheckerTimer&) = delete;
    CCheckerTimer& operator=(const CCheckerTimer&) = delete;

    bool Create();
    // Arms the timer once, due `seconds` from now, no period; re-arming resets it.
    bool ArmSeconds(int seconds);
    HANDLE Handle() const { return m_timer; }

private:
    HANDLE m_timer = nullptr;
};
