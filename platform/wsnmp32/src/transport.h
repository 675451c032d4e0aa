// The UDP side of the API: one socket for requests and their responses, one socket per trap
// endpoint, the outstanding requests with their retransmission and time-out. Each socket has
// a thread that waits in a blocking receive and delivers what it receives; one timer thread
// repeats and expires requests. The members are guarded by the API lock, which no thread
// holds while it waits or delivers a notification.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <atomic>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "session.h"
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
    CTransport() = default;
    ~CTransport();
    CTransport(const CTransport&) = delete;
    CTransport& operator=(const CTransport&) = delete;

    // Opens the request socket and starts its threads; false with an API error code.
    bool start(uint32_t& error);
    // Ends the threads and closes every socket. Called without the API lock.
    void stop();

    // Sends a message; confirmed requests wait for a response and are retransmitted. `from`
    // (optional) names a local endpoint: an unconfirmed message leaves from the trap socket
    // bound there. Returns 0 or an API error code.
    uint32_t sendMessage(uintptr_t session, const Message& message, const sockaddr_in& to,
                         const sockaddr_in* from, uint32_t timeout, uint32_t retry,
                         bool retransmit);
    bool cancel(uintptr_t session, int32_t requestId);
    // Returns 0 or an API error code.
    uint32_t addRegistration(const Registration& registration);
    // Removes the session's registrations that match the given filters (none: any).
    void removeRegistrations(const Registration& filter, bool anyEndpoint, bool anySource,
                             bool anyCommunity, bool anyNotification);
    // Forgets everything of a closed session.
    void dropSession(uintptr_t session);
    // Joins the threads of trap sockets no registration uses any more and closes the
    // sockets. Called without the API lock.
    void reapListeners();

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
    // A socket and the thread that receives on it.
    struct Endpoint {
        CTransport* owner = nullptr;
        bool requests = false;  // the request socket, else a trap socket
        SOCKET socket = INVALID_SOCKET;
        sockaddr_in address{};
        HANDLE thread = nullptr;
        DWORD threadId = 0;
        std::atomic<bool> closing{false};
        unsigned users = 0;
    };

    static DWORD WINAPI receiveMain(void* param);
    static DWORD WINAPI timerMain(void* param);
    void receive(Endpoint& endpoint);
    void runTimer();
    // Waits until a request is outstanding; false when the transport stops.
    bool awaitAnswerDue();
    bool startEndpoint(Endpoint& endpoint, uint32_t& error);
    void closeEndpoint(Endpoint& endpoint);
    // Decodes a datagram and hands it to its sessions; false when the transport stops.
    bool dispatch(const Endpoint& endpoint, const uint8_t* data, size_t size,
                  const sockaddr_in& from);
    void handleResponse(ReceivedMessage received, std::vector<Notice>& notices);
    void handleNotification(ReceivedMessage received, std::vector<Notice>& notices);
    // Repeats and expires requests; returns the milliseconds until the next deadline.
    DWORD expireRequests(std::vector<Notice>& notices);
    Endpoint* findListener(const sockaddr_in& address);
    void releaseListener(const sockaddr_in& address);

    Endpoint m_requests;
    // The request socket is read only while an answer is due: the thread sleeps here (under
    // the API lock) while no request is outstanding. An answer is then usually waiting by
    // the time the thread asks for it, and Wine hands over a waiting datagram in two server
    // calls where a receive that has to wait for its datagram costs four.
    CONDITION_VARIABLE m_answerDue;
    HANDLE m_timerWake = nullptr;
    HANDLE m_timer = nullptr;
    ULONGLONG m_timerDue = ~0ull;  // when the timer thread wakes next by itself
    bool m_stopping = false;
    std::multimap<int32_t, Outstanding> m_outstanding;
    std::vector<std::unique_ptr<Endpoint>> m_listeners;
    std::vector<std::unique_ptr<Endpoint>> m_closedListeners;  // waiting for reapListeners
    std::vector<Registration> m_registrations;
};

// The port that a registration without destination entity listens on.
uint16_t DefaultTrapPort();

bool SameEndpoint(const sockaddr_in& a, const sockaddr_in& b);

// Delivers notices collected under the API lock; called without it.
void DeliverNotices(std::vector<Notice>& notices);

}  // namespace wsnmp
