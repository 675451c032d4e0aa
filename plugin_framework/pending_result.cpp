#include "pending_result.h"

CPendingResult::~CPendingResult()
{
    if (m_pending)
        SysFreeString(m_pending);
}

bool CPendingResult::Append(BSTR data)
{
    if (!data || SysStringByteLen(data) < 2)
        return false;
    CScopedLock lock(m_lock);
    BSTR joined = nullptr;
    if (FAILED(VarBstrCat(m_pending, data, &joined)) || !joined)
        return false;
    if (m_pending)
        SysFreeString(m_pending);
    m_pending = joined;
    return true;
}

BSTR CPendingResult::Take()
{
    CScopedLock lock(m_lock);
    BSTR taken = m_pending;
    m_pending = nullptr;
    return taken;
}
