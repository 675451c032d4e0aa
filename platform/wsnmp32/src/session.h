// One session: its received messages, its last error and the thread that delivers its
// notifications (to the callback, or as a window message).
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

class CSession : public std::enable_shared_from_this<CSession> {
public:
    CSession(uintptr_t id, HWND window, UINT message, SNMPAPI_CALLBACK callback, void* clientData);
    ~CSession();
    CSession(const CSession&) = delete;
    CSession& operator=(const CSession&) = delete;

    uintptr_t id() const { return m_id; }
    bool start();
    // Queues a notification; dropped once the session is stopping.
    void notify(WPARAM wParam, LPARAM lParam);
    // Ends the delivery thread: no notification is delivered after this returns, except the
    // one that may be running when the session's own thread calls it.
    void stop();

    void setLastError(uint32_t code, uint64_t stamp);
    uint32_t lastError(uint64_t& stamp) const;

    // Messages waiting for SnmpRecvMsg; guarded by the API lock.
    std::deque<ReceivedMessage> inbox;
    static const size_t kInboxLimit = 4096;

private:
    static DWORD WINAPI threadMain(void* param);
    void run();
    void deliver(WPARAM wParam, LPARAM lParam);

    const uintptr_t m_id;
    const HWND m_window;
    const UINT m_message;
    const SNMPAPI_CALLBACK m_callback;
    void* const m_clientData;

    mutable CCriticalSection m_lock;  // guards the fields below
    std::deque<std::pair<WPARAM, LPARAM>> m_notices;
    bool m_stopping = false;
    uint32_t m_lastError = 0;
    uint64_t m_lastErrorStamp = 0;

    HANDLE m_wake = nullptr;
    HANDLE m_thread = nullptr;
    DWORD m_threadId = 0;
};

}  // namespace wsnmp
