// The UDP side of the API: one socket for requests and their responses, one socket per
// trap endpoint, the outstanding requests with their retransmission and time-out, and the
// thread that receives and dispatches. Every member is guarded by the API lock; the thread
// waits for its sockets without it.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "snmp_types.h"

namespace wsnmp {

struct Registration {
    uintptr_t session = 0;
    std::optional<uint32_t> sourceAddress;  // sender filter (network order), none: any agent
    std::optional<Bytes> community;         // community filter, none: any
    std::optional<Oid> notification;        // snmpTrapOID prefix filter, none: any
    sockaddr_in endpoint{};                 // where the notifications arrive
};

class CTransport {
public:
    CTransport();
    ~CTransport();
    CTransport(const CTransport&) = delete;
    CTransport& operator=(const CTransport&) = delete;

    // Opens the request socket and starts the thread; false with an API error code.
    bool start(uint32_t& error);
    // Ends the thread and closes every socket. Called without the API lock.
    void stop();

    // Sends a message; confirmed requests wait for a response and are retransmitted. `from`
    // (optional) names a local endpoint: an unconfirmed message leaves from the trap socket
    // bound there. Returns 0 or an API error code.
    uint32_t sendMessage(uintptr_t session, const Message& message, const sockaddr_in& to,
                         const sockaddr_in* from, uint32_t timeout, uint32_t retry, bool retransmit);
    bool cancel(uintptr_t session, int32_t requestId);
    // Returns 0 or an API error code.
    uint32_t addRegistration(const Registration& registration);
    // Removes the session's registrations that match the given filters (none: any).
    void removeRegistrations(const Registration& filter, bool anyEndpoint, bool anySource,
                             bool anyCommunity, bool anyNotification);
    // Forgets everything of a closed session.
    void dropSession(uintptr_t session);

private:
    struct Outstanding {
        uintptr_t session;
        Bytes datagram;
        sockaddr_in to;
        uint32_t timeoutMs;
        uint32_t retriesLeft;
        bool retransmit;
        ULONGLONG deadline;
    };
    struct Listener {
        SOCKET socket = INVALID_SOCKET;
        WSAEVENT event = WSA_INVALID_EVENT;
        sockaddr_in endpoint{};
        unsigned users = 0;
    };

    static DWORD WINAPI threadMain(void* param);
    void run();
    DWORD collectWait(std::vector<HANDLE>& handles, std::vector<SOCKET>& sockets);
    void drain(SOCKET socket, bool isRequestSocket);
    void handleResponse(const Message& message, const sockaddr_in& from);
    void handleNotification(Message& message, SOCKET socket, const sockaddr_in& from);
    void expireRequests();
    Listener* findListener(const sockaddr_in& endpoint);
    void releaseListener(const sockaddr_in& endpoint);
    void closeUnusedListeners();
    void wake() { SetEvent(m_wake); }

    SOCKET m_requestSocket = INVALID_SOCKET;
    WSAEVENT m_requestEvent = WSA_INVALID_EVENT;
    sockaddr_in m_requestAddress{};
    HANDLE m_wake = nullptr;
    HANDLE m_thread = nullptr;
    bool m_stopping = false;
    std::multimap<int32_t, Outstanding> m_outstanding;
    std::vector<std::unique_ptr<Listener>> m_listeners;
    std::vector<Registration> m_registrations;
    Bytes m_buffer;
};

// The port that a registration without destination entity listens on.
uint16_t DefaultTrapPort();

bool SameEndpoint(const sockaddr_in& a, const sockaddr_in& b);

}  // namespace wsnmp
