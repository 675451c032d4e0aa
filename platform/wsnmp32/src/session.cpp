#include "session.h"

namespace wsnmp {

CSession::CSession(uintptr_t id, HWND window, UINT message, SNMPAPI_CALLBACK callback, void* clientData)
    : m_id(id), m_window(window), m_message(message), m_callback(callback), m_clientData(clientData) {}

void CSession::deliver(WPARAM wParam, LPARAM lParam) {
    CScopedLock lock(m_delivery);
    if (m_closed) return;
    HSNMP_SESSION handle = reinterpret_cast<HSNMP_SESSION>(m_id);
    if (m_callback)
        m_callback(handle, m_window, m_message, wParam, lParam, m_clientData);
    else if (m_window)
        PostMessageW(m_window, m_message, wParam, lParam);
}

void CSession::close() {
    CScopedLock lock(m_delivery);  // waits for a delivery on another thread
    m_closed = true;
}

void CSession::setLastError(uint32_t code, uint64_t stamp) {
    CScopedLock lock(m_errorLock);
    m_lastError = code;
    m_lastErrorStamp = stamp;
}

uint32_t CSession::lastError(uint64_t& stamp) const {
    CScopedLock lock(m_errorLock);
    stamp = m_lastErrorStamp;
    return m_lastError;
}

}  // namespace wsnmp
