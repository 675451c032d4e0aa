// The ICMP echo request we send and the judging of what the raw socket hands back.
// Pure functions of bytes: no socket, no clock.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr size_t kIcmpHeaderSize = 8;
constexpr size_t kMinEchoPacketSize = 40;
constexpr size_t kMaxIpHeaderSize = 60;
constexpr uint8_t kIcmpEchoReply = 0;
constexpr uint8_t kIcmpEchoRequest = 8;

// Length of the echo request for a data size: 13..65,507 bytes of data as given, any other
// size 56; plus the header; never below 40 bytes.
size_t EchoPacketLength(unsigned short dataSize);

// Internet checksum (RFC 1071) over machine-order 16-bit words; an odd last byte is added
// as it is.
uint16_t IcmpChecksum(const unsigned char* bytes, size_t length);

// Fills a zeroed packet of `length` bytes (at least 18): type 8, code 0, identifier and
// sequence in machine order, send time (seconds since 1970, microseconds), the value 10, and
// the checksum.
void BuildEchoRequest(unsigned char* packet, size_t length, uint16_t identifier, uint16_t sequence,
                      uint32_t seconds, uint32_t microseconds);

enum class IcmpVerdict {
    Ignore,     // not about this probe: keep waiting
    EchoReply,  // the probe was answered
    ProbeError  // an error message quoting the probe: it will not be answered
};

// Judges one datagram as a raw ICMP socket returns it (IP header included) for the probe with
// `identifier` and `sequence` sent to `probed` (IPv4 address in network order, as in in_addr).
IcmpVerdict JudgeIcmpDatagram(const unsigned char* bytes, size_t length, uint16_t identifier,
                              uint16_t sequence, uint32_t probed);

// True only for an echo reply (type 0) from `probed` with our identifier and sequence.
bool IsOurEchoReply(const unsigned char* bytes, size_t length, uint16_t identifier,
                    uint16_t sequence, uint32_t probed);
