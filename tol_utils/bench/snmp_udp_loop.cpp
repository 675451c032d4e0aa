// snmp_udp_loop: the floor any Win32 program meets here when it asks an SNMP agent: one UDP
// socket, one fixed GETNEXT request, an answer awaited in a blocking receive with a time-out
// (or, with "select", in select first). Prints "UDP <requests> <answered> <ms>".
//
//   snmp_udp_loop <host> <port> <community> <requests> [select]
#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

Bytes Element(unsigned char tag, const Bytes& body)
{
    Bytes out{tag};
    if (body.size() < 0x80) {
        out.push_back(static_cast<unsigned char>(body.size()));
    } else {
        out.push_back(0x82);
        out.push_back(static_cast<unsigned char>(body.size() >> 8));
        out.push_back(static_cast<unsigned char>(body.size() & 0xFF));
    }
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

Bytes Concat(std::initializer_list<Bytes> parts)
{
    Bytes out;
    for (const Bytes& part : parts)
        out.insert(out.end(), part.begin(), part.end());
    return out;
}

// A SNMPv2c GETNEXT of 1.3.6.1.2.1 (request id 1).
Bytes GetNextMessage(const char* community)
{
    Bytes oid = Element(0x06, {0x2B, 6, 1, 2, 1});
    Bytes binding = Element(0x30, Concat({oid, Bytes{0x05, 0x00}}));
    Bytes pdu = Element(0xA1, Concat({Element(0x02, {1}), Element(0x02, {0}), Element(0x02, {0}),
                                      Element(0x30, binding)}));
    Bytes text(community, community + strlen(community));
    return Element(0x30, Concat({Element(0x02, {1}), Element(0x04, text), pdu}));
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 5) {
        printf("usage: snmp_udp_loop <host> <port> <community> <requests> [select]\n");
        return 2;
    }
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    SOCKET s = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<u_short>(atoi(argv[2])));
    inet_pton(AF_INET, argv[1], &to.sin_addr);
    DWORD timeoutMs = 1000;
    setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeoutMs),
               sizeof(timeoutMs));
    const bool useSelect = argc > 5 && strcmp(argv[5], "select") == 0;
    const int requests = atoi(argv[4]);
    Bytes message = GetNextMessage(argv[3]);
    std::vector<char> buffer(65536);
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    int answered = 0;
    for (int i = 0; i < requests; ++i) {
        sendto(s, reinterpret_cast<const char*>(message.data()), static_cast<int>(message.size()),
               0, reinterpret_cast<const sockaddr*>(&to), sizeof(to));
        if (useSelect) {
            fd_set readable;
            FD_ZERO(&readable);
            FD_SET(s, &readable);
            timeval limit{1, 0};
            if (select(0, &readable, nullptr, nullptr, &limit) != 1)
                continue;
        }
        if (recv(s, buffer.data(), static_cast<int>(buffer.size()), 0) > 0)
            ++answered;
    }
    QueryPerformanceCounter(&end);
    printf("UDP %d %d %.3f\n", requests, answered,
           1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) /
               static_cast<double>(frequency.QuadPart));
    closesocket(s);
    WSACleanup();
    return answered == requests ? 0 : 1;
}
