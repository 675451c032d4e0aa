// The status receivers of the work engine and the broadcast to them.
#include "main_worker.h"

#include "heap_helpers.h"
#include "trace_log.h"

#include <algorithm>

void CMainWorker::AddAgentObject(IStatusReceiver* receiver)
{
    CScopedLock lock(m_receiversLock);
    m_receivers.push_back(receiver);
}

void CMainWorker::RemoveAgentObject(IStatusReceiver* receiver)
{
    CScopedLock lock(m_receiversLock);
    auto found = std::find(m_receivers.begin(), m_receivers.end(), receiver);
    if (found != m_receivers.end())
        m_receivers.erase(found);
}

void CMainWorker::FireStatusChanged(long status, const wchar_t* text)
{
    if (m_settings.GetTrace() > 0) {
        char* narrow = WideToMultiByteAlloc(text ? text : L"", CP_UTF8);
        WriteTraceLog(narrow);
        FreeHeapBlock(narrow);
    }
    VARIANT description;
    VariantInit(&description);
    V_VT(&description) = VT_BSTR;
    V_BSTR(&description) = SysAllocString(text ? text : L"");

    {
        CScopedLock lock(m_receiversLock);
        for (IStatusReceiver* receiver : m_receivers) {
            receiver->LockReceiver();
            receiver->Fire_StatusChanged(status, description);
            receiver->UnlockReceiver();
        }
        if (IsKeptAsLastStatus(status))
            m_lastStatus = status;
        if (status == STATUS_SERVICE_STOPPED)
            m_receivers.clear();
    }
    VariantClear(&description);
}
