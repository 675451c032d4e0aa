#include <winsock2.h>
#include <ws2tcpip.h>

#include "ping.h"

#include "heap_helpers.h"
#include "icmp_packet.h"
#include "perf_timer.h"
#include "unix_time.h"

#include <cstring>

namespace {

constexpr int kMaxProbes = 65535;
constexpr DWORD kPauseBeforeSendMs = 100;
// While a stop may come, a wait for a reply looks at it this often.
constexpr double kStopLookMs = 100;
constexpr int kTimeToLive = 64;
constexpr size_t kMinReceiveBuffer = 4096;

class SocketHandle {
public:
    explicit SocketHandle(SOCKET socket) : m_socket(socket) {}
    ~SocketHandle() { closesocket(m_socket); }
    SocketHandle(const SocketHandle&) = delete;
    SocketHandle& operator=(const SocketHandle&) = delete;
    SOCKET get() const { return m_socket; }

private:
    SOCKET m_socket;
};

class ResolvedAddresses {
public:
    explicit ResolvedAddresses(addrinfo* list) : m_list(list) {}
    ~ResolvedAddresses() { freeaddrinfo(m_list); }
    ResolvedAddresses(const ResolvedAddresses&) = delete;
    ResolvedAddresses& operator=(const ResolvedAddresses&) = delete;

private:
    addrinfo* m_list;
};

class HeapBytes {
public:
    explicit HeapBytes(size_t size) : m_bytes(static_cast<unsigned char*>(HeapAllocZero(size))) {}
    ~HeapBytes() { FreeHeapBlock(m_bytes); }
    HeapBytes(const HeapBytes&) = delete;
    HeapBytes& operator=(const HeapBytes&) = delete;
    unsigned char* get() const { return m_bytes; }

private:
    unsigned char* m_bytes;
};

bool Fail(DWORD error)
{
    SetLastError(error);
    return false;
}

void UnixTimeNow(uint32_t* seconds, uint32_t* microseconds)
{
    unsigned long long sinceEpoch = MicrosecondsSince1970();
    *seconds = static_cast<uint32_t>(sinceEpoch / 1000000);
    *microseconds = static_cast<uint32_t>(sinceEpoch % 1000000);
}

bool IsStopped(HANDLE stop)
{
    return stop && WaitForSingleObject(stop, 0) == WAIT_OBJECT_0;
}

// The pause before a send; true when the stop came meanwhile.
bool PauseBeforeSend(HANDLE stop)
{
    if (!stop) {
        Sleep(kPauseBeforeSendMs);
        return false;
    }
    return WaitForSingleObject(stop, kPauseBeforeSendMs) == WAIT_OBJECT_0;
}

// Sends the probe to the first address that takes the whole packet; that address, or null
// (also when the stop came).
const sockaddr_in* SendProbe(SOCKET socket, const addrinfo* addresses, unsigned char* packet,
                             size_t length, uint16_t identifier, uint16_t sequence, HANDLE stop)
{
    for (const addrinfo* at = addresses; at; at = at->ai_next) {
        if (PauseBeforeSend(stop))
            return nullptr;
        if (at->ai_family != AF_INET || !at->ai_addr)
            continue;
        uint32_t seconds, microseconds;
        UnixTimeNow(&seconds, &microseconds);
        memset(packet, 0, length);
        BuildEchoRequest(packet, length, identifier, sequence, seconds, microseconds);
        int sent = sendto(socket, reinterpret_cast<const char*>(packet), int(length), 0,
                          at->ai_addr, int(at->ai_addrlen));
        if (sent == int(length))
            return reinterpret_cast<const sockaddr_in*>(at->ai_addr);
    }
    return nullptr;
}

// The receive time-out of a socket, set only when it must change: under Wine every
// setsockopt is a round trip to the server.
class ReceiveTimeout {
public:
    explicit ReceiveTimeout(SOCKET socket) : m_socket(socket) {}

    // Makes the next receive wait at most about `milliseconds` (at least 1 ms).
    void AtMost(double milliseconds)
    {
        const double kLongest = 0x7FFFFFFF;
        DWORD wanted = milliseconds < 1           ? 1
                       : milliseconds >= kLongest ? DWORD(kLongest)
                                                  : DWORD(milliseconds + 0.999);
        // A receive may end up to a millisecond late rather than pay for a change.
        if (m_set != 0 && m_set >= wanted && m_set - wanted <= 1)
            return;
        m_set = wanted;
        setsockopt(m_socket, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&m_set),
                   sizeof(m_set));
    }

private:
    SOCKET m_socket;
    DWORD m_set = 0;
};

// Waits up to `timeout` ms for the answer to one probe; the round-trip time in ms, or 0
// (also when the stop came). The wait is a blocking receive with a time-out, not a select:
// under Wine a select before each receive costs more than the round trip on loopback.
double WaitForReply(SOCKET socket, ReceiveTimeout& receiveTimeout, unsigned char* buffer,
                    size_t size, unsigned timeout, uint16_t identifier, uint16_t sequence,
                    uint32_t probed, HANDLE stop)
{
    if (timeout == 0)
        return 0;
    CPerfTimer watch;
    watch.Start();
    const double limit = timeout;
    for (;;) {
        double remaining = limit - watch.Elapsedms();
        if (remaining <= 0)
            return 0;
        bool sliced = stop && remaining > kStopLookMs;
        receiveTimeout.AtMost(sliced ? kStopLookMs : remaining);
        sockaddr_in from;
        int fromLength = sizeof(from);
        int received = recvfrom(socket, reinterpret_cast<char*>(buffer), int(size), 0,
                                reinterpret_cast<sockaddr*>(&from), &fromLength);
        double elapsed = watch.Elapsedms();
        if (IsStopped(stop))
            return 0;
        if (received == SOCKET_ERROR) {
            int error = WSAGetLastError();
            // A slice of the wait ended, or a datagram too large for the buffer came (it
            // cannot be an answer to this probe): wait on.
            if ((error == WSAETIMEDOUT && sliced) || error == WSAEMSGSIZE)
                continue;
            return 0;
        }
        if (elapsed >= limit)
            return 0;
        switch (JudgeIcmpDatagram(buffer, size_t(received), identifier, sequence, probed)) {
        case IcmpVerdict::EchoReply:
            return elapsed;
        case IcmpVerdict::ProbeError:
            return 0;
        case IcmpVerdict::Ignore:
            break;
        }
    }
}

}  // namespace

namespace {

bool PingSeries(const char* host, unsigned int timeout, int count, double** roundTrips,
                unsigned short dataSize, unsigned short identifier, HANDLE stop)
{
    if (!host || !roundTrips || !*roundTrips || count <= 0 || count > kMaxProbes)
        return Fail(ERROR_INVALID_PARAMETER);

    addrinfo hints = {};
    hints.ai_flags = AI_CANONNAME;
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_RAW;
    hints.ai_protocol = IPPROTO_ICMP;
    addrinfo* found = nullptr;
    int resolveError = getaddrinfo(host, nullptr, &hints, &found);
    if (resolveError != 0)
        return Fail(DWORD(resolveError));
    ResolvedAddresses resolved(found);
    if (!found)
        return Fail(WSANO_DATA);

    SOCKET raw = socket(found->ai_family, found->ai_socktype, found->ai_protocol);
    if (raw == INVALID_SOCKET)
        return Fail(DWORD(WSAGetLastError()));
    SocketHandle socket(raw);
    int ttl = kTimeToLive;
    setsockopt(raw, IPPROTO_IP, IP_TTL, reinterpret_cast<const char*>(&ttl), sizeof(ttl));

    const size_t packetLength = EchoPacketLength(dataSize);
    const size_t receiveSize = packetLength + kMaxIpHeaderSize > kMinReceiveBuffer
                                   ? packetLength + kMaxIpHeaderSize
                                   : kMinReceiveBuffer;
    HeapBytes packet(packetLength);
    HeapBytes receiveBuffer(receiveSize);
    if (!packet.get() || !receiveBuffer.get())
        return Fail(ERROR_NOT_ENOUGH_MEMORY);

    ReceiveTimeout receiveTimeout(raw);
    double* times = *roundTrips;
    for (int i = 0; i < count; ++i) {
        if (IsStopped(stop)) {
            times[i] = 0;
            continue;
        }
        const uint16_t sequence = static_cast<uint16_t>(i);
        const sockaddr_in* probed =
            SendProbe(raw, found, packet.get(), packetLength, identifier, sequence, stop);
        double rtt =
            probed ? WaitForReply(raw, receiveTimeout, receiveBuffer.get(), receiveSize, timeout,
                                  identifier, sequence, probed->sin_addr.s_addr, stop)
                   : 0;
        times[i] = rtt > 0 && rtt < double(timeout) ? rtt : 0;
    }
    return true;
}

}  // namespace

bool ping(const char* host, unsigned int timeout, int count, double** roundTrips,
          unsigned short dataSize, unsigned short identifier)
{
    return PingSeries(host, timeout, count, roundTrips, dataSize, identifier, nullptr);
}

bool ping_stoppable(const char* host, unsigned int timeout, int count, double** roundTrips,
                    unsigned short dataSize, unsigned short identifier, HANDLE stop)
{
    return PingSeries(host, timeout, count, roundTrips, dataSize, identifier, stop);
}
