#include "session.h"

namespace wsnmp {

CSession::CSession(uintptr_t id, HWND window, UINT message, SNMPAPI_CALLBACK callback,
                   void* clientData)
    : m_id(id), m_window(window), m_message(message), m_callback(callback), m_clientData(clientData)
{
}

namespace {

const size_t kBlockOverhead = 32;  // the heap's own bookkeeping of one block

template <class T>
size_t HeapBytes(const std::vector<T>& v)
{
    return v.capacity() ? v.capacity() * sizeof(T) + kBlockOverhead : 0;
}

}  // namespace

size_t Footprint(const Bytes& community, const Pdu& pdu)
{
    size_t bytes = sizeof(ReceivedMessage) + kBlockOverhead + HeapBytes(community) +
                   HeapBytes(pdu.varbinds) + HeapBytes(pdu.enterprise);
    for (const VarBind& vb : pdu.varbinds)
        bytes += HeapBytes(vb.name) + HeapBytes(vb.value.bytes) + HeapBytes(vb.value.oid);
    return bytes;
}

bool CSession::hasRoomFor(size_t footprint) const
{
    return m_inbox.size() < kInboxLimit && m_inboxBytes + footprint <= kInboxByteLimit;
}

void CSession::queue(ReceivedMessage message, size_t footprint)
{
    m_inbox.push_back({std::move(message), footprint});
    m_inboxBytes += footprint;
}

bool CSession::take(ReceivedMessage& message)
{
    if (m_inbox.empty())
        return false;
    message = std::move(m_inbox.front().message);
    m_inboxBytes -= m_inbox.front().footprint;
    m_inbox.pop_front();
    return true;
}

void CSession::deliver(WPARAM wParam, LPARAM lParam)
{
    CScopedLock lock(m_delivery);
    if (m_closed)
        return;
    HSNMP_SESSION handle = reinterpret_cast<HSNMP_SESSION>(m_id);
    try {
        if (m_callback)
            m_callback(handle, m_window, m_message, wParam, lParam, m_clientData);
        else if (m_window)
            PostMessageW(m_window, m_message, wParam, lParam);
    } catch (...) {
        // Whatever the application's callback throws ends here, not the API's thread.
    }
}

void CSession::close()
{
    CScopedLock lock(m_delivery);  // waits for a delivery on another thread
    m_closed = true;
}

void CSession::setLastError(uint32_t code, uint64_t stamp)
{
    CScopedLock lock(m_errorLock);
    m_lastError = code;
    m_lastErrorStamp = stamp;
}

uint32_t CSession::lastError(uint64_t& stamp) const
{
    CScopedLock lock(m_errorLock);
    stamp = m_lastErrorStamp;
    return m_lastError;
}

}  // namespace wsnmp
