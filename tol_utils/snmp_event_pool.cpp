#include "snmp_event_pool.h"

#include <vector>

namespace {

const size_t kKeptEvents = 64;

SRWLOCK g_poolLock = SRWLOCK_INIT;

std::vector<HANDLE>& Pool()
{
    static auto* pool = new std::vector<HANDLE>;  // kept for the life of the process
    return *pool;
}

}  // namespace

HANDLE TakeSnmpEvent()
{
    HANDLE event = nullptr;
    AcquireSRWLockExclusive(&g_poolLock);
    if (!Pool().empty()) {
        event = Pool().back();
        Pool().pop_back();
    }
    ReleaseSRWLockExclusive(&g_poolLock);
    return event ? event : CreateEventW(nullptr, TRUE, FALSE, nullptr);
}

void ReturnSnmpEvent(HANDLE event, bool set)
{
    if (!event)
        return;
    if (set && !ResetEvent(event)) {
        CloseHandle(event);
        return;
    }
    AcquireSRWLockExclusive(&g_poolLock);
    bool kept = Pool().size() < kKeptEvents;
    if (kept) {
        try {
            Pool().push_back(event);
        } catch (...) {
            kept = false;
        }
    }
    ReleaseSRWLockExclusive(&g_poolLock);
    if (!kept)
        CloseHandle(event);
}
