// The floor of an ICMP echo round trip for any Win32 program on this host: one raw socket, an
// echo request, a blocking receive (SO_RCVTIMEO) until the matching reply, timed with the
// performance counter from the send's return; requests paced 100 ms apart as tol ping paces
// them.
// Usage: icmp_echo_floor [probes]   prints one "rtt <ms>" line a request (0 when lost).
#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "icmp_packet.h"

namespace {

const char kTarget[] = "127.0.0.1";
constexpr DWORD kTimeoutMs = 1000;
constexpr uint16_t kIdentifier = 0x6B6B;

double Ms(LARGE_INTEGER from, LARGE_INTEGER to, LARGE_INTEGER frequency)
{
    return double(to.QuadPart - from.QuadPart) * 1000.0 / double(frequency.QuadPart);
}

double OneRoundTrip(SOCKET raw, const sockaddr_in& to, uint16_t sequence, LARGE_INTEGER frequency)
{
    unsigned char packet[64] = {};
    const size_t length = EchoPacketLength(56);
    BuildEchoRequest(packet, length, kIdentifier, sequence, 0, 0);
    if (sendto(raw, reinterpret_cast<const char*>(packet), int(length), 0,
               reinterpret_cast<const sockaddr*>(&to), sizeof(to)) != int(length))
        return 0;
    // Timed from the send's return, as tol ping times its round trips.
    LARGE_INTEGER sent, now;
    QueryPerformanceCounter(&sent);
    unsigned char buffer[4096];
    for (;;) {
        sockaddr_in from;
        int fromLength = sizeof(from);
        int received = recvfrom(raw, reinterpret_cast<char*>(buffer), sizeof(buffer), 0,
                                reinterpret_cast<sockaddr*>(&from), &fromLength);
        QueryPerformanceCounter(&now);
        if (received == SOCKET_ERROR)
            return 0;
        if (IsOurEchoReply(buffer, size_t(received), kIdentifier, sequence, to.sin_addr.s_addr))
            return Ms(sent, now, frequency);
        if (Ms(sent, now, frequency) > kTimeoutMs)
            return 0;
    }
}

}  // namespace

int main(int argc, char** argv)
{
    int probes = argc > 1 ? atoi(argv[1]) : 50;
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0)
        return 1;
    SOCKET raw = socket(AF_INET, SOCK_RAW, IPPROTO_ICMP);
    if (raw == INVALID_SOCKET) {
        printf("raw socket failed: %d\n", WSAGetLastError());
        return 1;
    }
    DWORD timeout = kTimeoutMs;
    setsockopt(raw, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout),
               sizeof(timeout));
    sockaddr_in to = {};
    to.sin_family = AF_INET;
    inet_pton(AF_INET, kTarget, &to.sin_addr);
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    for (int i = 0; i < probes; ++i) {
        Sleep(100);
        printf("rtt %.4f\n", OneRoundTrip(raw, to, uint16_t(i), frequency));
    }
    closesocket(raw);
    WSACleanup();
    return 0;
}
