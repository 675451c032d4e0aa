#include "transport.h"

#include <ws2tcpip.h>

#include <algorithm>
#include <new>
#include <cstdlib>
#include <set>

#include "api_state.h"
#include "snmp_message.h"

#ifndef SIO_UDP_CONNRESET
#define SIO_UDP_CONNRESET _WSAIOW(IOC_VENDOR, 12)
#endif

namespace wsnmp {

namespace {

const size_t kMaxDatagram = 65507;
const DWORD kReceiveTimeoutMs = 1000;  // a receiving thread looks at its closing flag this often
const size_t kMaxListeners = 60;
const Oid kSnmpTrapOid = {1, 3, 6, 1, 6, 3, 1, 1, 4, 1, 0};

bool IsConfirmed(int32_t type)
{
    return type == 0xA0 || type == 0xA1 || type == 0xA3 || type == 0xA5 || type == 0xA6;
}

bool StartsWith(const Oid& value, const Oid& prefix)
{
    return value.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), value.begin());
}

// Opens a blocking UDP socket bound to the address (its port filled in when it was 0).
uint32_t OpenSocket(sockaddr_in& address, SOCKET& out)
{
    SOCKET s = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    if (s == INVALID_SOCKET)
        return SNMPAPI_TL_RESOURCE_ERROR;
    // An ICMP port-unreachable must not make the next receive fail.
    BOOL off = FALSE;
    DWORD bytes = 0;
    WSAIoctl(s, SIO_UDP_CONNRESET, &off, sizeof(off), nullptr, 0, &bytes, nullptr, nullptr);
    if (bind(s, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
        int error = WSAGetLastError();
        closesocket(s);
        return (error == WSAEADDRINUSE || error == WSAEACCES) ? SNMPAPI_TL_IN_USE
                                                              : SNMPAPI_TL_SRC_INVALID;
    }
    int length = sizeof(address);
    getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
    DWORD timeout = kReceiveTimeoutMs;
    setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout),
               sizeof(timeout));
    out = s;
    return 0;
}

bool SameRegistration(const Registration& a, const Registration& b)
{
    return a.session == b.session && SameEndpoint(a.endpoint, b.endpoint) &&
           a.sourceAddress == b.sourceAddress && a.community == b.community &&
           a.notification == b.notification;
}

}  // namespace

bool SameEndpoint(const sockaddr_in& a, const sockaddr_in& b)
{
    return a.sin_addr.s_addr == b.sin_addr.s_addr && a.sin_port == b.sin_port;
}

uint16_t DefaultTrapPort()
{
    char text[16] = {0};
    DWORD n = GetEnvironmentVariableA("WSNMP32_TRAP_PORT", text, sizeof(text));
    if (n > 0 && n < sizeof(text)) {
        long port = strtol(text, nullptr, 10);
        if (port > 0 && port < 65536)
            return static_cast<uint16_t>(port);
    }
    return 162;
}

void DeliverNotices(std::vector<Notice>& notices)
{
    for (Notice& notice : notices)
        notice.session->deliver(notice.wParam, notice.lParam);
    notices.clear();
}

CTransport::~CTransport()
{
    stop();
}

bool CTransport::start(uint32_t& error)
{
    InitializeConditionVariable(&m_answerDue);
    m_requests.owner = this;
    m_requests.requests = true;
    m_requests.address.sin_family = AF_INET;
    m_requests.address.sin_addr.s_addr = htonl(INADDR_ANY);
    m_timerWake = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (!m_timerWake) {
        error = SNMPAPI_TL_RESOURCE_ERROR;
        return false;
    }
    if (!startEndpoint(m_requests, error)) {
        stop();
        return false;
    }
    m_timer = CreateThread(nullptr, 0, timerMain, this, 0, nullptr);
    if (!m_timer) {
        error = SNMPAPI_TL_RESOURCE_ERROR;
        stop();
        return false;
    }
    return true;
}

bool CTransport::startEndpoint(Endpoint& endpoint, uint32_t& error)
{
    error = OpenSocket(endpoint.address, endpoint.socket);
    if (error)
        return false;
    endpoint.thread = CreateThread(nullptr, 0, receiveMain, &endpoint, 0, &endpoint.threadId);
    if (!endpoint.thread) {
        closesocket(endpoint.socket);
        endpoint.socket = INVALID_SOCKET;
        error = SNMPAPI_TL_RESOURCE_ERROR;
        return false;
    }
    return true;
}

// Ends the endpoint's thread (sooner than its receive time-out: a datagram to itself wakes
// it) unless the caller is that thread, and closes the socket once the thread has ended.
void CTransport::closeEndpoint(Endpoint& endpoint)
{
    endpoint.closing = true;
    if (endpoint.thread && endpoint.threadId != GetCurrentThreadId()) {
        sockaddr_in self = endpoint.address;
        if (self.sin_addr.s_addr == htonl(INADDR_ANY))
            self.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        sendto(endpoint.socket, "", 0, 0, reinterpret_cast<const sockaddr*>(&self), sizeof(self));
        WaitForSingleObject(endpoint.thread, INFINITE);
    }
    if (endpoint.thread)
        CloseHandle(endpoint.thread);
    if (endpoint.socket != INVALID_SOCKET)
        closesocket(endpoint.socket);
    endpoint.thread = nullptr;
    endpoint.socket = INVALID_SOCKET;
}

void CTransport::stop()
{
    std::vector<std::unique_ptr<Endpoint>> listeners;
    {
        CScopedLock lock(CApiState::instance().lock);
        m_stopping = true;
        WakeAllConditionVariable(&m_answerDue);
        listeners = std::move(m_listeners);
        for (auto& closed : m_closedListeners)
            listeners.push_back(std::move(closed));
        m_listeners.clear();
        m_closedListeners.clear();
    }
    if (m_timer) {
        SetEvent(m_timerWake);
        if (GetThreadId(m_timer) != GetCurrentThreadId())
            WaitForSingleObject(m_timer, INFINITE);
        CloseHandle(m_timer);
        m_timer = nullptr;
    }
    closeEndpoint(m_requests);
    for (auto& listener : listeners)
        closeEndpoint(*listener);
    if (m_timerWake)
        CloseHandle(m_timerWake);
    m_timerWake = nullptr;
    m_outstanding.clear();
    m_registrations.clear();
}

DWORD WINAPI CTransport::receiveMain(void* param)
{
    auto* endpoint = static_cast<Endpoint*>(param);
    try {
        endpoint->owner->receive(*endpoint);
    } catch (const std::bad_alloc&) {
        // No memory even for the receive buffer: this endpoint hears nothing more, the
        // process goes on.
    }
    return 0;
}

DWORD WINAPI CTransport::timerMain(void* param)
{
    static_cast<CTransport*>(param)->runTimer();
    return 0;
}

void CTransport::receive(Endpoint& endpoint)
{
    Bytes buffer(65536);
    while (!endpoint.closing) {
        if (endpoint.requests && !awaitAnswerDue())
            return;
        sockaddr_in from{};
        int fromLength = sizeof(from);
        int n = recvfrom(endpoint.socket, reinterpret_cast<char*>(buffer.data()),
                         static_cast<int>(buffer.size()), 0, reinterpret_cast<sockaddr*>(&from),
                         &fromLength);
        if (endpoint.closing)
            return;
        if (n == SOCKET_ERROR) {
            int error = WSAGetLastError();
            // A refused or oversized datagram is dropped; a receive time-out is the idle beat.
            if (error != WSAETIMEDOUT && error != WSAECONNRESET && error != WSAEMSGSIZE)
                Sleep(10);
            continue;
        }
        try {
            if (!dispatch(endpoint, buffer.data(), static_cast<size_t>(n), from))
                return;
        } catch (const std::bad_alloc&) {
            // No memory for this datagram: it is lost, the thread goes on.
        }
    }
}

bool CTransport::dispatch(const Endpoint& endpoint, const uint8_t* data, size_t size,
                          const sockaddr_in& from)
{
    CApiState& state = CApiState::instance();
    Message message;
    if (!DecodeMessage(data, size, message))
        return true;
    ReceivedMessage received;
    received.source = from;
    received.destination = endpoint.address;
    received.version = message.version;
    received.community = std::move(message.community);
    received.pdu = std::move(message.pdu);
    if (!endpoint.requests) {
        if (received.pdu.type == 0xA4 && !ConvertV1Trap(received.pdu))
            return true;
        if (received.pdu.type != 0xA6 && received.pdu.type != 0xA7)
            return true;
    }
    std::vector<Notice> notices;
    {
        CScopedLock lock(state.lock);
        if (m_stopping)
            return false;
        if (endpoint.requests)
            handleResponse(std::move(received), notices);
        else
            handleNotification(std::move(received), notices);
    }
    DeliverNotices(notices);
    return true;
}

bool CTransport::awaitAnswerDue()
{
    CApiState& state = CApiState::instance();
    CScopedLock lock(state.lock);
    while (!m_stopping && m_outstanding.empty())
        SleepConditionVariableCS(&m_answerDue, state.lock.native(), INFINITE);
    return !m_stopping;
}

void CTransport::runTimer()
{
    CApiState& state = CApiState::instance();
    std::vector<Notice> notices;
    for (;;) {
        DWORD wait = 10;  // after a failure below: soon again
        try {
            {
                CScopedLock lock(state.lock);
                if (m_stopping)
                    return;
                wait = expireRequests(notices);
                m_timerDue = wait == INFINITE ? ~0ull : GetTickCount64() + wait;
            }
            DeliverNotices(notices);
        } catch (const std::bad_alloc&) {
            notices.clear();
        }
        WaitForSingleObject(m_timerWake, wait);
    }
}

void CTransport::handleResponse(ReceivedMessage received, std::vector<Notice>& notices)
{
    if (received.pdu.type != 0xA2)
        return;
    const int32_t requestId = received.pdu.requestId;
    auto range = m_outstanding.equal_range(requestId);
    for (auto it = range.first; it != range.second; ++it) {
        if (!SameEndpoint(it->second.to, received.source))
            continue;
        uintptr_t sessionId = it->second.session;
        m_outstanding.erase(it);
        auto session = CApiState::instance().sessions.find(sessionId);
        if (session == CApiState::instance().sessions.end())
            return;
        CSession& target = *session->second;
        size_t footprint = Footprint(received.community, received.pdu);
        if (!target.hasRoomFor(footprint)) {
            // The answer cannot be kept: the request ends as if none had come.
            target.countDropped();
            notices.push_back(
                {session->second, SNMPAPI_TL_TIMEOUT, static_cast<LPARAM>(requestId)});
            return;
        }
        target.queue(std::move(received), footprint);
        notices.push_back({session->second, 0, static_cast<LPARAM>(requestId)});
        return;
    }
}

void CTransport::handleNotification(ReceivedMessage received, std::vector<Notice>& notices)
{
    const Pdu& pdu = received.pdu;
    const Oid* trapOid = nullptr;
    if (pdu.varbinds.size() >= 2 && pdu.varbinds[1].name == kSnmpTrapOid &&
        pdu.varbinds[1].value.syntax == 0x06)
        trapOid = &pdu.varbinds[1].value.oid;

    std::vector<std::shared_ptr<CSession>> targets;
    std::set<uintptr_t> seen;
    CApiState& state = CApiState::instance();
    for (const Registration& r : m_registrations) {
        if (!SameEndpoint(r.endpoint, received.destination))
            continue;
        if (r.sourceAddress && *r.sourceAddress != received.source.sin_addr.s_addr)
            continue;
        if (r.community && *r.community != received.community)
            continue;
        if (r.notification && (!trapOid || !StartsWith(*trapOid, *r.notification)))
            continue;
        auto session = state.sessions.find(r.session);
        if (session != state.sessions.end() && seen.insert(r.session).second)
            targets.push_back(session->second);
    }
    const size_t footprint = Footprint(received.community, received.pdu);
    const LPARAM requestId = static_cast<LPARAM>(received.pdu.requestId);
    for (size_t i = 0; i < targets.size(); ++i) {
        CSession& target = *targets[i];
        if (!target.hasRoomFor(footprint)) {
            target.countDropped();
            continue;
        }
        // The last session takes the message itself, the others a copy.
        target.queue(i + 1 == targets.size() ? std::move(received) : received, footprint);
        notices.push_back({targets[i], 0, requestId});
    }
}

DWORD CTransport::expireRequests(std::vector<Notice>& notices)
{
    ULONGLONG now = GetTickCount64();
    ULONGLONG next = ~0ull;
    CApiState& state = CApiState::instance();
    for (auto it = m_outstanding.begin(); it != m_outstanding.end();) {
        Outstanding& request = it->second;
        if (request.deadline > now) {
            next = std::min(next, request.deadline);
            ++it;
            continue;
        }
        if (request.retransmit && request.retriesLeft > 0) {
            --request.retriesLeft;
            request.deadline = now + request.timeoutMs;
            next = std::min(next, request.deadline);
            sendto(m_requests.socket, reinterpret_cast<const char*>(request.datagram.data()),
                   static_cast<int>(request.datagram.size()), 0,
                   reinterpret_cast<const sockaddr*>(&request.to), sizeof(request.to));
            ++it;
            continue;
        }
        auto session = state.sessions.find(request.session);
        if (session != state.sessions.end())
            notices.push_back(
                {session->second, SNMPAPI_TL_TIMEOUT, static_cast<LPARAM>(it->first)});
        it = m_outstanding.erase(it);
    }
    if (next == ~0ull)
        return INFINITE;
    return static_cast<DWORD>(std::min<ULONGLONG>(next - now, 0x7FFFFFFF));
}

uint32_t CTransport::sendMessage(uintptr_t session, const Message& message, const sockaddr_in& to,
                                 const sockaddr_in* from, uint32_t timeout, uint32_t retry,
                                 bool retransmit)
{
    Bytes datagram;
    if (!EncodeMessage(message, datagram))
        return SNMPAPI_PDU_INVALID;
    if (datagram.size() > kMaxDatagram)
        return SNMPAPI_TL_PDU_TOO_BIG;
    // An unconfirmed message (the answer to an inform) leaves from the endpoint it names
    // when that is where notifications are received; everything else from the request socket.
    SOCKET socket = m_requests.socket;
    Endpoint* listener = from ? findListener(*from) : nullptr;
    if (listener && !IsConfirmed(message.pdu.type))
        socket = listener->socket;
    if (sendto(socket, reinterpret_cast<const char*>(datagram.data()),
               static_cast<int>(datagram.size()), 0, reinterpret_cast<const sockaddr*>(&to),
               sizeof(to)) == SOCKET_ERROR)
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
        // The timer thread needs waking only when this deadline comes before its own.
        if (request.deadline < m_timerDue) {
            m_timerDue = request.deadline;
            SetEvent(m_timerWake);
        }
        m_outstanding.emplace(message.pdu.requestId, std::move(request));
        WakeConditionVariable(&m_answerDue);
    }
    return 0;
}

bool CTransport::cancel(uintptr_t session, int32_t requestId)
{
    auto range = m_outstanding.equal_range(requestId);
    for (auto it = range.first; it != range.second; ++it) {
        if (it->second.session == session) {
            m_outstanding.erase(it);
            return true;
        }
    }
    return false;
}

CTransport::Endpoint* CTransport::findListener(const sockaddr_in& address)
{
    for (auto& listener : m_listeners)
        if (SameEndpoint(listener->address, address))
            return listener.get();
    return nullptr;
}

uint32_t CTransport::addRegistration(const Registration& registration)
{
    for (const Registration& r : m_registrations)
        if (SameRegistration(r, registration))
            return 0;
    Endpoint* listener = findListener(registration.endpoint);
    if (!listener) {
        if (m_listeners.size() >= kMaxListeners)
            return SNMPAPI_TL_RESOURCE_ERROR;
        auto created = std::make_unique<Endpoint>();
        created->owner = this;
        created->address = registration.endpoint;
        uint32_t error = 0;
        if (!startEndpoint(*created, error))
            return error;
        listener = created.get();
        m_listeners.push_back(std::move(created));
    }
    ++listener->users;
    m_registrations.push_back(registration);
    return 0;
}

void CTransport::releaseListener(const sockaddr_in& address)
{
    for (auto it = m_listeners.begin(); it != m_listeners.end(); ++it) {
        Endpoint& listener = **it;
        if (!SameEndpoint(listener.address, address))
            continue;
        if (listener.users > 0 && --listener.users == 0) {
            // Stops taking notifications at once; reapListeners ends the thread and the socket.
            listener.closing = true;
            m_closedListeners.push_back(std::move(*it));
            m_listeners.erase(it);
        }
        return;
    }
}

void CTransport::reapListeners()
{
    std::vector<std::unique_ptr<Endpoint>> closed;
    {
        CScopedLock lock(CApiState::instance().lock);
        for (auto it = m_closedListeners.begin(); it != m_closedListeners.end();) {
            // A callback that unregisters runs on its listener's thread: that one ends later.
            if ((*it)->threadId == GetCurrentThreadId()) {
                ++it;
                continue;
            }
            closed.push_back(std::move(*it));
            it = m_closedListeners.erase(it);
        }
    }
    for (auto& listener : closed)
        closeEndpoint(*listener);
}

void CTransport::removeRegistrations(const Registration& filter, bool anyEndpoint, bool anySource,
                                     bool anyCommunity, bool anyNotification)
{
    for (auto it = m_registrations.begin(); it != m_registrations.end();) {
        const Registration& r = *it;
        bool match = r.session == filter.session &&
                     (anyEndpoint || SameEndpoint(r.endpoint, filter.endpoint)) &&
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

void CTransport::dropSession(uintptr_t session)
{
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
