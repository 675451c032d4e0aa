#include "api_state.h"

#include <atomic>

#include "session.h"
#include "transport.h"

namespace wsnmp {

namespace {

struct ErrorSlot {
    uint32_t code;
    uint64_t stamp;
};

std::atomic<uint64_t> g_errorStamp{0};
std::atomic<uintptr_t> g_nextHandle{0x1000};
thread_local ErrorSlot t_threadError = {0, 0};

}  // namespace

uintptr_t NextHandleValue()
{
    return g_nextHandle.fetch_add(1);
}

CApiState::CApiState()
{
    // Start request ids at a value that differs between runs, so a late answer to a request
    // of an earlier process does not match a new one.
    m_nextRequestId =
        static_cast<int32_t>((GetTickCount() ^ (GetCurrentProcessId() << 16)) & 0x3FFFFFFF) + 1;
}

CApiState& CApiState::instance()
{
    // Never destroyed: sessions may still call in while the process unloads.
    static CApiState* state = new CApiState();
    return *state;
}

std::shared_ptr<CSession> CApiState::findSession(HSNMP_SESSION handle) const
{
    auto it = sessions.find(HandleValue(handle));
    return it == sessions.end() ? nullptr : it->second;
}

int32_t CApiState::nextRequestId()
{
    int32_t id = m_nextRequestId++;
    if (m_nextRequestId <= 0)
        m_nextRequestId = 1;
    return id;
}

void SetLastApiError(uint32_t code, uintptr_t session)
{
    uint64_t stamp = ++g_errorStamp;
    t_threadError = {code, stamp};
    if (session) {
        CApiState& state = CApiState::instance();
        CScopedLock lock(state.lock);
        auto it = state.sessions.find(session);
        if (it != state.sessions.end())
            it->second->setLastError(code, stamp);
    }
}

uint32_t LastApiError(uintptr_t session)
{
    ErrorSlot thread = t_threadError;
    if (session) {
        CApiState& state = CApiState::instance();
        CScopedLock lock(state.lock);
        auto it = state.sessions.find(session);
        if (it != state.sessions.end()) {
            uint64_t stamp = 0;
            uint32_t code = it->second->lastError(stamp);
            if (stamp > thread.stamp)
                return code;
        }
    }
    return thread.code;
}

}  // namespace wsnmp
