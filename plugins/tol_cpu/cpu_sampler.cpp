#include "cpu_sampler.h"

bool CCpuSampler::Init()
{
    m_ready = false;
    m_count = m_counters.ProcessorCount();
    if (m_count <= 0 || !m_counters.ProcessorTimes(m_count, &m_processors) ||
        !m_counters.SystemTimes(&m_system))
        return false;
    m_ready = true;
    return true;
}

bool CCpuSampler::Sample(CpuUsage* system, std::vector<CpuUsage>* processors)
{
    std::vector<CpuTimes> now;
    CpuTimes systemNow;
    if (!m_ready || !m_counters.ProcessorTimes(m_count, &now) ||
        !m_counters.SystemTimes(&systemNow))
        return false;
    *system = UsageBetween(m_system, systemNow);
    m_system = systemNow;
    processors->resize(now.size());
    for (size_t i = 0; i < now.size(); ++i) {
        (*processors)[i] = UsageBetween(m_processors[i], now[i]);
        m_processors[i] = now[i];
    }
    return true;
}
