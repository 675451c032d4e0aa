#include "session.h"

namespace wsnmp {

CSession::CSession(uintptr_t id, HWND window, UINT message, SNMPAPI_CALLBACK callback, void* clientData)
    : m_id(id), m_window(window), m_message(message), m_callback(callback), m_clientData(clientData) {}

CSession::~CSession() {
    if (m_thread) CloseHandle(m_thread);
    if (m_wake) CloseHandle(m_wake);
}

bool CSession::start() {
    m_wake = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (!m_wake) return false;
    // The thread keeps the session alive until it ends.
    auto* self = new std::shared_ptr<CSession>(shared_from_this());
    m_thread = CreateThread(nullptr, 0, threadMain, self, 0, &m_threadId);
    if (!m_thread) {
        delete self;
        return false;
    }
    return true;
}

DWORD WINAPI CSession::threadMain(void* param) {
    std::unique_ptr<std::shared_ptr<CSession>> self(static_cast<std::shared_ptr<CSession>*>(param));
    (*self)->run();
    return 0;
}

void CSession::run() {
    for (;;) {
        WaitForSingleObject(m_wake, INFINITE);
        for (;;) {
            std::pair<WPARAM, LPARAM> notice;
            {
                CScopedLock lock(m_lock);
                if (m_stopping) return;
                if (m_notices.empty()) break;
                notice = m_notices.front();
                m_notices.pop_front();
            }
            deliver(notice.first, notice.second);
        }
    }
}

void CSession::deliver(WPARAM wParam, LPARAM lParam) {
    HSNMP_SESSION handle = reinterpret_cast<HSNMP_SESSION>(m_id);
    if (m_callback)
        m_callback(handle, m_window, m_message, wParam, lParam, m_clientData);
    else if (m_window)
        PostMessageW(m_window, m_message, wParam, lParam);
}

void CSession::notify(WPARAM wParam, LPARAM lParam) {
    CScopedLock lock(m_lock);
    if (m_stopping) return;
    m_notices.emplace_back(wParam, lParam);
    SetEvent(m_wake);
}

void CSession::stop() {
    {
        CScopedLock lock(m_lock);
        m_stopping = true;
        m_notices.clear();
        if (m_wake) SetEvent(m_wake);
    }
    if (m_thread && GetCurrentThreadId() != m_threadId) WaitForSingleObject(m_thread, INFINITE);
}

void CSession::setLastError(uint32_t code, uint64_t stamp) {
    CScopedLock lock(m_lock);
    m_lastError = code;
    m_lastErrorStamp = stamp;
}

uint32_t CSession::lastError(uint64_t& stamp) const {
    CScopedLock lock(m_lock);
    stamp = m_lastErrorStamp;
    return m_lastError;
}

}  // namespace wsnmp
