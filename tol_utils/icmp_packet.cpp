#include "icmp_packet.h"

#include <cstring>

namespace {

constexpr size_t kMinIpHeaderSize = 20;
constexpr unsigned kMinDataSize = 13;
constexpr unsigned kMaxDataSize = 65507;
constexpr unsigned kDefaultDataSize = 56;
constexpr uint8_t kProtocolIcmp = 1;
constexpr uint16_t kPayloadMark = 10;

uint16_t ReadU16(const unsigned char* at)
{
    uint16_t value;
    memcpy(&value, at, sizeof(value));
    return value;
}

struct IpHeader {
    size_t length;  // from the header's IHL, options included
    uint8_t protocol;
    uint32_t source;
    uint32_t destination;
};

// Reads an IPv4 header at the start of `bytes`; false unless it is complete within `length`.
bool ReadIpHeader(const unsigned char* bytes, size_t length, IpHeader* header)
{
    if (length < kMinIpHeaderSize || (bytes[0] >> 4) != 4)
        return false;
    size_t headerLength = size_t(bytes[0] & 0x0F) * 4;
    if (headerLength < kMinIpHeaderSize || headerLength > length)
        return false;
    header->length = headerLength;
    header->protocol = bytes[9];
    memcpy(&header->source, bytes + 12, sizeof(header->source));
    memcpy(&header->destination, bytes + 16, sizeof(header->destination));
    return true;
}

bool IsErrorType(uint8_t type)
{
    return type == 3 || type == 4 || type == 11 || type == 12;
}

bool IsOurProbe(const unsigned char* icmp, uint16_t identifier, uint16_t sequence)
{
    return ReadU16(icmp + 4) == identifier && ReadU16(icmp + 6) == sequence;
}

// An error message quotes the probe: the quoted IP header went to the probed address and the
// quoted ICMP header is our echo request.
bool QuotesProbe(const unsigned char* quoted, size_t length, uint16_t identifier, uint16_t sequence,
                 uint32_t probed)
{
    IpHeader header;
    if (!ReadIpHeader(quoted, length, &header) || header.protocol != kProtocolIcmp ||
        header.destination != probed || length < header.length + kIcmpHeaderSize)
        return false;
    const unsigned char* icmp = quoted + header.length;
    return icmp[0] == kIcmpEchoRequest && IsOurProbe(icmp, identifier, sequence);
}

}  // namespace

size_t EchoPacketLength(unsigned short dataSize)
{
    size_t data =
        dataSize >= kMinDataSize && dataSize <= kMaxDataSize ? dataSize : kDefaultDataSize;
    size_t length = data + kIcmpHeaderSize;
    return length < kMinEchoPacketSize ? kMinEchoPacketSize : length;
}

uint16_t IcmpChecksum(const unsigned char* bytes, size_t length)
{
    uint32_t sum = 0;
    size_t i = 0;
    for (; i + 1 < length; i += 2)
        sum += ReadU16(bytes + i);
    if (i < length)
        sum += bytes[i];
    sum = (sum >> 16) + (sum & 0xFFFF);
    sum += sum >> 16;
    return static_cast<uint16_t>(~sum);
}

void BuildEchoRequest(unsigned char* packet, size_t length, uint16_t identifier, uint16_t sequence,
                      uint32_t seconds, uint32_t microseconds)
{
    packet[0] = kIcmpEchoRequest;
    packet[1] = 0;
    memset(packet + 2, 0, 2);
    memcpy(packet + 4, &identifier, 2);
    memcpy(packet + 6, &sequence, 2);
    memcpy(packet + 8, &seconds, 4);
    memcpy(packet + 12, &microseconds, 4);
    memcpy(packet + 16, &kPayloadMark, 2);
    uint16_t checksum = IcmpChecksum(packet, length);
    memcpy(packet + 2, &checksum, 2);
}

IcmpVerdict JudgeIcmpDatagram(const unsigned char* bytes, size_t length, uint16_t identifier,
                              uint16_t sequence, uint32_t probed)
{
    IpHeader header;
    if (!bytes || !ReadIpHeader(bytes, length, &header) || header.protocol != kProtocolIcmp ||
        length < header.length + kIcmpHeaderSize)
        return IcmpVerdict::Ignore;
    const unsigned char* icmp = bytes + header.length;
    size_t icmpLength = length - header.length;
    uint8_t type = icmp[0];
    if (type == kIcmpEchoReply)
        return header.source == probed && IsOurProbe(icmp, identifier, sequence)
                   ? IcmpVerdict::EchoReply
                   : IcmpVerdict::Ignore;
    if (IsErrorType(type) && QuotesProbe(icmp + kIcmpHeaderSize, icmpLength - kIcmpHeaderSize,
                                         identifier, sequence, probed))
        return IcmpVerdict::ProbeError;
    return IcmpVerdict::Ignore;
}

bool IsOurEchoReply(const unsigned char* bytes, size_t length, uint16_t identifier,
                    uint16_t sequence, uint32_t probed)
{
    return JudgeIcmpDatagram(bytes, length, identifier, sequence, probed) == IcmpVerdict::EchoReply;
}
