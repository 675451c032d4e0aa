#include "request_registry.h"

#include <algorithm>
#include <new>

#include "snmp_mon.h"

bool CSnmpRequestRegistry::Enter(CSNMPmon* client)
{
    CScopedLock lock(m_lock);
    if (m_abandoned)
        return false;
    try {
        m_waiting.push_back(client);
    } catch (const std::bad_alloc&) {
        // Not cancellable then: it ends with its own time-out.
    }
    return true;
}

bool CSnmpRequestRegistry::Leave(CSNMPmon* client)
{
    CScopedLock lock(m_lock);
    auto it = std::find(m_waiting.begin(), m_waiting.end(), client);
    if (it != m_waiting.end())
        m_waiting.erase(it);
    return m_abandoned;
}

bool CSnmpRequestRegistry::Abandoned()
{
    CScopedLock lock(m_lock);
    return m_abandoned;
}

void CSnmpRequestRegistry::Abandon()
{
    CScopedLock lock(m_lock);
    m_abandoned = true;
    // A client stays alive while it is listed: its thread leaves before it destroys it.
    for (CSNMPmon* client : m_waiting)
        client->cancelRequest();
}

void CSnmpRequestRegistry::Resume()
{
    CScopedLock lock(m_lock);
    m_abandoned = false;
}
