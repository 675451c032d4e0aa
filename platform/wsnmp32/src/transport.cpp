#include "transport.h"

#include <ws2tcpip.h>

#include <algorithm>
#include <cstdlib>
#include <set>

#include "api_state.h"
#include "session.h"
#include "snmp_message.h"

#ifndef SIO_UDP_CONNRESET
#define SIO_UDP_CONNRESET _WSAIOW(IOC_VENDOR, 12)
#endif

namespace wsnmp {

namespace {

const size_t kMaxDatagram = 65507;
const Oid kSnmpTrapOid = {1, 3, 6, 1, 6, 3, 1, 1, 4, 1, 0};

bool IsConfirmed(int32_t type) {
    return type == 0xA0 || type == 0xA1 || type == 0xA3 || type == 0xA5 || type == 0xA6;
}

bool StartsWith(const Oid& value, const Oid& prefix) {
    return value.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), value.begin());
}

// Opens a UDP socket bound to the address, signalling `event` when data waits.
uint32_t OpenSocket(const sockaddr_in& address, SOCKET& out, WSAEVENT& event) {
    SOCKET s = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    if (s == INVALID_SOCKET) return SNMPAPI_TL_RESOURCE_ERROR;
    // An ICMP port-unreachable must not make the next receive fail.
    BOOL off = FALSE;
    DWORD bytes = 0;
    WSAIoctl(s, SIO_UDP_CONNRESET, &off, sizeof(off), nullptr, 0, &bytes, nullptr, nullptr);
    if (bind(s, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
        int error = WSAGetLastError();
        closesocket(s);
        return (error == WSAEADDRINUSE || error == WSAEACCES) ? SNMPAPI_TL_IN_USE : SNMPAPI_TL_SRC_INVALID;
    }
    WSAEVENT e = WSACreateEvent();
    if (e == WSA_INVALID_EVENT || WSAEventSelect(s, e, FD_READ) != 0) {
        if (e != WSA_INVALID_EVENT) WSACloseEvent(e);
        closesocket(s);
        return SNMPAPI_TL_RESOURCE_ERROR;
    }
    out = s;
    event = e;
    return 0;
}

bool SameRegistration(const Registration& a, const Registration& b) {
    return a.session == b.session && SameEndpoint(a.endpoint, b.endpoint) &&
           a.sourceAddress == b.sourceAddress && a.community == b.community &&
           a.notification == b.notification;
}

}  // namespace

bool SameEndpoint(const sockaddr_in& a, const sockaddr_in& b) {
    return a.sin_addr.s_addr == b.sin_addr.s_addr && a.sin_port == b.sin_port;
}

uint16_t DefaultTrapPort() {
    char text[16] = {0};
    DWORD n = GetEnvironmentVariableA("WSNMP32_TRAP_PORT", text, sizeof(text));
    if (n > 0 && n < sizeof(text)) {
        long port = strtol(text, nullptr, 10);
        if (port > 0 && port < 65536) return static_cast<uint16_t>(port);
    }
    return 162;
}

CTransport::CTransport() : m_buffer(65536) {}

CTransport::~CTransport() { stop(); }

bool CTransport::start(uint32_t& error) {
    sockaddr_in any{};
    any.sin_family = AF_INET;
    any.sin_addr.s_addr = htonl(INADDR_ANY);
    error = OpenSocket(any, m_requestSocket, m_requestEvent);
    if (error) return false;
    int length = sizeof(m_requestAddress);
    getsockname(m_requestSocket, reinterpret_cast<sockaddr*>(&m_requestAddress), &length);
    m_wake = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (m_wake) m_thread = CreateThread(nullptr, 0, threadMain, this, 0, nullptr);
    if (!m_thread) {
        error = SNMPAPI_TL_RESOURCE_ERROR;
        stop();
        return false;
    }
    return true;
}

void CTransport::stop() {
    if (m_thread) {
        {
            CScopedLock lock(CApiState::instance().lock);
            m_stopping = true;
            wake();
        }
        WaitForSingleObject(m_thread, INFINITE);
        CloseHandle(m_thread);
        m_thread = nullptr;
    }
    for (auto& listener : m_listeners) {
        closesocket(listener->socket);
        WSACloseEvent(listener->event);
    }
    m_listeners.clear();
    if (m_requestSocket != INVALID_SOCKET) closesocket(m_requestSocket);
    if (m_requestEvent != WSA_INVALID_EVENT) WSACloseEvent(m_requestEvent);
    if (m_wake) CloseHandle(m_wake);
    m_requestSocket = INVALID_SOCKET;
    m_requestEvent = WSA_INVALID_EVENT;
    m_wake = nullptr;
    m_outstanding.clear();
    m_registrations.clear();
}

DWORD WINAPI CTransport::threadMain(void* param) {
    static_cast<CTransport*>(param)->run();
    return 0;
}

void CTransport::run() {
    CApiState& state = CApiState::instance();
    std::vector<HANDLE> handles;
    std::vector<SOCKET> sockets;
    for (;;) {
        DWORD timeout;
        {
            CScopedLock lock(state.lock);
            if (m_stopping) return;
            closeUnusedListeners();
            expireRequests();
            timeout = collectWait(handles, sockets);
        }
        DWORD result = WaitForMultipleObjects(static_cast<DWORD>(handles.size()), handles.data(), FALSE, timeout);
        if (result == WAIT_FAILED) Sleep(10);
        // Every socket is drained on every wake: cheap, and no datagram waits for a second wake.
        for (size_t i = 0; i < sockets.size(); ++i) {
            WSAResetEvent(handles[i + 1]);
            drain(sockets[i], sockets[i] == m_requestSocket);
        }
    }
}

DWORD CTransport::collectWait(std::vector<HANDLE>& handles, std::vector<SOCKET>& sockets) {
    handles.assign(1, m_wake);
    sockets.clear();
    handles.push_back(m_requestEvent);
    sockets.push_back(m_requestSocket);
    for (auto& listener : m_listeners) {
        if (handles.size() >= MAXIMUM_WAIT_OBJECTS) break;
        handles.push_back(listener->event);
        sockets.push_back(listener->socket);
    }
    if (m_outstanding.empty()) return INFINITE;
    ULONGLONG now = GetTickCount64();
    ULONGLONG next = ~0ull;
    for (auto& item : m_outstanding) next = std::min(next, item.second.deadline);
    return next <= now ? 0 : static_cast<DWORD>(std::min<ULONGLONG>(next - now, 0x7FFFFFFF));
}

void CTransport::drain(SOCKET socket, bool isRequestSocket) {
    CApiState& state = CApiState::instance();
    for (;;) {
        sockaddr_in from{};
        int fromLength = sizeof(from);
        int n = recvfrom(socket, reinterpret_cast<char*>(m_buffer.data()), static_cast<int>(m_buffer.size()), 0,
                         reinterpret_cast<sockaddr*>(&from), &fromLength);
        if (n == SOCKET_ERROR) {
            int error = WSAGetLastError();
            // A refused or oversized datagram is dropped; anything else ends this round.
            if (error == WSAECONNRESET || error == WSAEMSGSIZE) continue;
            return;
        }
        Message message;
        if (!DecodeMessage(m_buffer.data(), static_cast<size_t>(n), message)) continue;
        CScopedLock lock(state.lock);
        if (m_stopping) return;
        if (isRequestSocket)
            handleResponse(message, from);
        else
            handleNotification(message, socket, from);
    }
}

void CTransport::handleResponse(const Message& message, const sockaddr_in& from) {
    if (message.pdu.type != 0xA2) return;
    auto range = m_outstanding.equal_range(message.pdu.requestId);
    for (auto it = range.first; it != range.second; ++it) {
        if (!SameEndpoint(it->second.to, from)) continue;
        uintptr_t sessionId = it->second.session;
        m_outstanding.erase(it);
        auto session = CApiState::instance().sessions.find(sessionId);
        if (session == CApiState::instance().sessions.end()) return;
        CSession& target = *session->second;
        if (target.inbox.size() >= CSession::kInboxLimit) return;
        ReceivedMessage received;
        received.source = from;
        received.destination = m_requestAddress;
        received.version = message.version;
        received.community = message.community;
        received.pdu = message.pdu;
        target.inbox.push_back(std::move(received));
        target.notify(0, static_cast<LPARAM>(message.pdu.requestId));
        return;
    }
}

void CTransport::handleNotification(Message& message, SOCKET socket, const sockaddr_in& from) {
    Pdu& pdu = message.pdu;
    if (pdu.type == 0xA4) ConvertV1Trap(pdu);
    if (pdu.type != 0xA6 && pdu.type != 0xA7) return;
    Listener* listener = nullptr;
    for (auto& item : m_listeners)
        if (item->socket == socket) listener = item.get();
    if (!listener) return;

    const Oid* trapOid = nullptr;
    if (pdu.varbinds.size() >= 2 && pdu.varbinds[1].name == kSnmpTrapOid && pdu.varbinds[1].value.syntax == 0x06)
        trapOid = &pdu.varbinds[1].value.oid;

    std::set<uintptr_t> targets;
    for (const Registration& r : m_registrations) {
        if (!SameEndpoint(r.endpoint, listener->endpoint)) continue;
        if (r.sourceAddress && *r.sourceAddress != from.sin_addr.s_addr) continue;
        if (r.community && *r.community != message.community) continue;
        if (r.notification && (!trapOid || !StartsWith(*trapOid, *r.notification))) continue;
        targets.insert(r.session);
    }
    CApiState& state = CApiState::instance();
    for (uintptr_t id : targets) {
        auto session = state.sessions.find(id);
        if (session == state.sessions.end()) continue;
        CSession& target = *session->second;
        if (target.inbox.size() >= CSession::kInboxLimit) continue;
        ReceivedMessage received;
        received.source = from;
        received.destination = listener->endpoint;
        received.version = message.version;
        received.community = message.community;
        received.pdu = pdu;
        target.inbox.push_back(std::move(received));
        target.notify(0, static_cast<LPARAM>(pdu.requestId));
    }
}

void CTransport::expireRequests() {
    ULONGLONG now = GetTickCount64();
    CApiState& state = CApiState::instance();
    for (auto it = m_outstanding.begin(); it != m_outstanding.end();) {
        Outstanding& request = it->second;
        if (request.deadline > now) {
            ++it;
            continue;
        }
        if (request.retransmit && request.retriesLeft > 0) {
            --request.retriesLeft;
            request.deadline = now + request.timeoutMs;
            sendto(m_requestSocket, reinterpret_cast<const char*>(request.datagram.data()),
                   static_cast<int>(request.datagram.size()), 0, reinterpret_cast<const sockaddr*>(&request.to),
                   sizeof(request.to));
            ++it;
            continue;
        }
        auto session = state.sessions.find(request.session);
        if (session != state.sessions.end()) session->second->notify(SNMPAPI_TL_TIMEOUT, static_cast<LPARAM>(it->first));
        it = m_outstanding.erase(it);
    }
}

uint32_t CTransport::sendMessage(uintptr_t session, const Message& message, const sockaddr_in& to,
                                 const sockaddr_in* from, uint32_t timeout, uint32_t retry, bool retransmit) {
    Bytes datagram;
    if (!EncodeMessage(message, datagram)) return SNMPAPI_PDU_INVALID;
    if (datagram.size() > kMaxDatagram) return SNMPAPI_TL_PDU_TOO_BIG;
    // An unconfirmed message (the answer to an inform) leaves from the endpoint it names
    // when that is where notifications are received; everything else from the request socket.
    SOCKET socket = m_requestSocket;
    Listener* listener = from ? findListener(*from) : nullptr;
    if (listener && !IsConfirmed(message.pdu.type)) socket = listener->socket;
    if (sendto(socket, reinterpret_cast<const char*>(datagram.data()), static_cast<int>(datagram.size()), 0,
               reinterpret_cast<const sockaddr*>(&to), sizeof(to)) == SOCKET_ERROR)
        return SNMPAPI_TL_UNDELIVERABLE;
    if (IsConfirmed(message.pdu.type)) {
        Outstanding request;
        request.session = session;
        request.datagram = std::move(datagram);
        request.to = to;
        request.timeoutMs = std::max<uint32_t>(timeout, 1) * 10;
        request.retriesLeft = retry;
        request.retransmit = retransmit;
        request.deadline = GetTickCount64() + request.timeoutMs;
        // The thread needs waking only when this deadline comes before every other one.
        bool earliest = true;
        for (const auto& item : m_outstanding)
            if (item.second.deadline <= request.deadline) earliest = false;
        m_outstanding.emplace(message.pdu.requestId, std::move(request));
        if (earliest) wake();
    }
    return 0;
}

bool CTransport::cancel(uintptr_t session, int32_t requestId) {
    auto range = m_outstanding.equal_range(requestId);
    for (auto it = range.first; it != range.second; ++it) {
        if (it->second.session == session) {
            m_outstanding.erase(it);
            return true;
        }
    }
    return false;
}

CTransport::Listener* CTransport::findListener(const sockaddr_in& endpoint) {
    for (auto& listener : m_listeners)
        if (SameEndpoint(listener->endpoint, endpoint)) return listener.get();
    return nullptr;
}

uint32_t CTransport::addRegistration(const Registration& registration) {
    for (const Registration& r : m_registrations)
        if (SameRegistration(r, registration)) return 0;
    Listener* listener = findListener(registration.endpoint);
    if (!listener) {
        if (m_listeners.size() + 2 >= MAXIMUM_WAIT_OBJECTS) return SNMPAPI_TL_RESOURCE_ERROR;
        auto created = std::make_unique<Listener>();
        created->endpoint = registration.endpoint;
        uint32_t error = OpenSocket(registration.endpoint, created->socket, created->event);
        if (error) return error;
        listener = created.get();
        m_listeners.push_back(std::move(created));
    }
    ++listener->users;
    m_registrations.push_back(registration);
    wake();
    return 0;
}

void CTransport::releaseListener(const sockaddr_in& endpoint) {
    Listener* listener = findListener(endpoint);
    if (listener && listener->users > 0) --listener->users;
    wake();
}

void CTransport::removeRegistrations(const Registration& filter, bool anyEndpoint, bool anySource,
                                     bool anyCommunity, bool anyNotification) {
    for (auto it = m_registrations.begin(); it != m_registrations.end();) {
        const Registration& r = *it;
        bool match = r.session == filter.session && (anyEndpoint || SameEndpoint(r.endpoint, filter.endpoint)) &&
                     (anySource || r.sourceAddress == filter.sourceAddress) &&
                     (anyCommunity || r.community == filter.community) &&
                     (anyNotification || r.notification == filter.notification);
        if (!match) {
            ++it;
            continue;
        }
        sockaddr_in endpoint = r.endpoint;
        it = m_registrations.erase(it);
        releaseListener(endpoint);
    }
}

void CTransport::closeUnusedListeners() {
    for (auto it = m_listeners.begin(); it != m_listeners.end();) {
        if ((*it)->users == 0) {
            closesocket((*it)->socket);
            WSACloseEvent((*it)->event);
            it = m_listeners.erase(it);
        } else {
            ++it;
        }
    }
}

void CTransport::dropSession(uintptr_t session) {
    for (auto it = m_outstanding.begin(); it != m_outstanding.end();) {
        if (it->second.session == session)
            it = m_outstanding.erase(it);
        else
            ++it;
    }
    Registration filter;
    filter.session = session;
    removeRegistrations(filter, true, true, true, true);
}

}  // namespace wsnmp
