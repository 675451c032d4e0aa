// One session: its received messages, its last error and the delivery of its notifications
// (to the callback, or as a window message). Notifications are delivered on the API's own
// threads (the one that received the message, or the one that saw a request time out), one
// at a time per session.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <deque>
#include <memory>

#include "critical_section.h"
#include "snmp_types.h"
#include "winsnmp_api.h"

namespace wsnmp {

// A message that arrived for the session and waits for SnmpRecvMsg.
struct ReceivedMessage {
    sockaddr_in source{};
    sockaddr_in destination{};
    int32_t version = kVersion1;
    Bytes community;
    Pdu pdu;
};

class CSession {
public:
    CSession(uintptr_t id, HWND window, UINT message, SNMPAPI_CALLBACK callback, void* clientData);
    CSession(const CSession&) = delete;
    CSession& operator=(const CSession&) = delete;

    uintptr_t id() const { return m_id; }
    // Calls the callback (or posts the message) unless the session is closed. Called without
    // the API lock; the deliveries of one session never overlap.
    void deliver(WPARAM wParam, LPARAM lParam);
    // No delivery runs once this returns, except when a callback of this session calls it:
    // then that callback goes on, and nothing follows it.
    void close();

    void setLastError(uint32_t code, uint64_t stamp);
    uint32_t lastError(uint64_t& stamp) const;

    // The messages waiting for SnmpRecvMsg, guarded by the API lock. The inbox is bounded in
    // messages and in the memory they hold: an application that does not receive what it is
    // told of loses what does not fit (counted), not its process.
    bool hasRoomFor(size_t footprint) const;
    // Queues a message whose footprint hasRoomFor accepted.
    void queue(ReceivedMessage message, size_t footprint);
    bool take(ReceivedMessage& message);
    void countDropped() { ++m_dropped; }
    uint64_t dropped() const { return m_dropped; }

    static const size_t kInboxLimit = 4096;
    static const size_t kInboxByteLimit = 8u << 20;

private:
    const uintptr_t m_id;
    const HWND m_window;
    const UINT m_message;
    const SNMPAPI_CALLBACK m_callback;
    void* const m_clientData;

    struct Queued {
        ReceivedMessage message;
        size_t footprint;
    };
    std::deque<Queued> m_inbox;
    size_t m_inboxBytes = 0;
    uint64_t m_dropped = 0;

    CCriticalSection m_delivery;  // held while a notification is delivered
    bool m_closed = false;        // guarded by m_delivery

    mutable CCriticalSection m_errorLock;
    uint32_t m_lastError = 0;
    uint64_t m_lastErrorStamp = 0;
};

// The heap memory a queued message holds, near enough: what its inbox is charged.
size_t Footprint(const Bytes& community, const Pdu& pdu);

// A notification to deliver once the API lock is released.
struct Notice {
    std::shared_ptr<CSession> session;
    WPARAM wParam;
    LPARAM lParam;
};

}  // namespace wsnmp
