// CPerfTimer: a stopwatch on the high-resolution performance counter.
//
// The counter value is above 0 while the timer runs (the reading at its start, moved back by
// time already accumulated) and 0 or below while it stands (minus the elapsed ticks). Each
// Stop takes off the measured cost of one Start/Stop pair.
#pragma once

#include "tol_utils_api.h"

#include <cstddef>  // the compiler run-time's __int64

class TOL_UTILS_API CPerfTimer {
public:
    // A nonzero argument starts the timer at once.
    CPerfTimer(int start = 0);
    CPerfTimer(const CPerfTimer& other);
    CPerfTimer& operator=(const CPerfTimer& other);
    virtual ~CPerfTimer();

    // A zero argument resumes a stopped timer that holds elapsed time; otherwise the timer
    // restarts from zero.
    void Start(int reset = 0);
    void Stop();
    int IsRunning();
    int IsSupported();

    double Elapsed();
    double Elapsedms();
    double Elapsedus();
    double Resolution();
    double Resolutionms();
    double Resolutionus();

    // Counter ticks per second (1 without a high-resolution counter), and minus the ticks one
    // Start/Stop pair costs; measured once per process at the first construction.
    static __int64 m_Freq;
    static __int64 m_Adjust;

private:
    struct Unmeasured {};
    explicit CPerfTimer(Unmeasured);
    static bool MeasureCounter();
    double ElapsedScaled(double unitsPerSecond);

    __int64 m_Counter;
};
