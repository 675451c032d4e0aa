#include "cpu_sample_list.h"

namespace {

constexpr int kPurgeHours = 2;

}  // namespace

int64_t WallMs(const SYSTEMTIME& from, const SYSTEMTIME& to)
{
    return (static_cast<int64_t>(to.wHour) - from.wHour) * 3600000 +
           (static_cast<int64_t>(to.wMinute) - from.wMinute) * 60000 +
           (static_cast<int64_t>(to.wSecond) - from.wSecond) * 1000 +
           (static_cast<int64_t>(to.wMilliseconds) - from.wMilliseconds);
}

double CpuUsage(uint32_t cpuMs, int64_t wallMs, unsigned processors)
{
    if (wallMs <= 0)
        return 0;
    if (processors == 0)
        processors = 1;
    double usage = static_cast<double>(cpuMs) / static_cast<double>(wallMs) * 100.0 / processors;
    // Over a wall time of a few clock ticks (the first pass right after an add) the two clocks'
    // steps do not match: no process uses more than every processor.
    return usage > 100.0 ? 100.0 : usage;
}

double CCpuSampleList::Sample(DWORD pid, const CpuReading& reading, unsigned processors)
{
    auto found = m_samples.find(pid);
    if (found == m_samples.end()) {
        m_samples.emplace(pid, reading);
        return 0;
    }
    CpuReading& sample = found->second;
    uint32_t used = reading.cpuMs - sample.cpuMs;
    bool sameProcess = sample.created == reading.created && static_cast<int32_t>(used) >= 0;
    double usage = sameProcess ? CpuUsage(used, WallMs(sample.at, reading.at), processors) : 0;
    sample = reading;
    return usage;
}

void CCpuSampleList::Purge(const SYSTEMTIME& now)
{
    for (auto it = m_samples.begin(); it != m_samples.end();) {
        // Hours of the clock: a sample of 23:00 is two hours old at 01:00.
        int age = (static_cast<int>(now.wHour) - it->second.at.wHour + 24) % 24;
        if (age >= kPurgeHours)
            it = m_samples.erase(it);
        else
            ++it;
    }
}
