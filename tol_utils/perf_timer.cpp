#include "perf_timer.h"

#include <windows.h>

// The object crosses the DLL edge: the table pointer and the counter value.
static_assert(sizeof(CPerfTimer) == 16, "CPerfTimer layout changed");

__int64 CPerfTimer::m_Freq = 1;
__int64 CPerfTimer::m_Adjust = 0;

namespace {

__int64 ReadCounter()
{
    LARGE_INTEGER now;
    if (!QueryPerformanceCounter(&now))
        return 0;
    return now.QuadPart;
}

constexpr int kAdjustSamples = 16;

}  // namespace

// Runs once per process (a function-local static: concurrent first constructions wait for it).
bool CPerfTimer::MeasureCounter()
{
    LARGE_INTEGER frequency;
    m_Freq =
        QueryPerformanceFrequency(&frequency) && frequency.QuadPart > 1 ? frequency.QuadPart : 1;
    m_Adjust = 0;
    __int64 cheapest = 0;
    CPerfTimer probe{Unmeasured{}};
    for (int i = 0; i < kAdjustSamples; ++i) {
        probe.Start(1);
        probe.Stop();
        __int64 cost = -probe.m_Counter;
        if (i == 0 || cost < cheapest)
            cheapest = cost;
    }
    m_Adjust = -cheapest;
    return true;
}

CPerfTimer::CPerfTimer(Unmeasured) : m_Counter(0)
{
}

CPerfTimer::CPerfTimer(int start) : m_Counter(0)
{
    static const bool measured = MeasureCounter();
    (void)measured;
    if (start)
        Start(1);
}

CPerfTimer::CPerfTimer(const CPerfTimer& other) : m_Counter(other.m_Counter)
{
}

CPerfTimer& CPerfTimer::operator=(const CPerfTimer& other)
{
    m_Counter = other.m_Counter;
    return *this;
}

CPerfTimer::~CPerfTimer() = default;

void CPerfTimer::Start(int reset)
{
    __int64 reading = ReadCounter();
    if (!reset && m_Counter < 0) {
        __int64 resumed = reading + m_Counter;
        m_Counter = resumed > 0 ? resumed : 1;
    } else {
        m_Counter = reading;
    }
}

void CPerfTimer::Stop()
{
    if (m_Counter <= 0)
        return;
    __int64 elapsed = ReadCounter() - m_Counter;
    __int64 cost = -m_Adjust;
    m_Counter = elapsed > cost ? -(elapsed - cost) : 0;
}

int CPerfTimer::IsRunning()
{
    return m_Counter > 0;
}

int CPerfTimer::IsSupported()
{
    return m_Freq > 1;
}

double CPerfTimer::ElapsedScaled(double unitsPerSecond)
{
    CPerfTimer copy(*this);
    copy.Stop();
    return double(-copy.m_Counter) * unitsPerSecond / double(m_Freq);
}

double CPerfTimer::Elapsed()
{
    return ElapsedScaled(1.0);
}

double CPerfTimer::Elapsedms()
{
    return ElapsedScaled(1000.0);
}

double CPerfTimer::Elapsedus()
{
    return ElapsedScaled(1000000.0);
}

double CPerfTimer::Resolution()
{
    return 1.0 / double(m_Freq);
}

double CPerfTimer::Resolutionms()
{
    return 1000.0 / double(m_Freq);
}

double CPerfTimer::Resolutionus()
{
    return 1000000.0 / double(m_Freq);
}
