#include "icmp_packet.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

uint16_t U16At(const std::vector<uint8_t>& bytes, size_t offset)
{
    uint16_t v;
    memcpy(&v, bytes.data() + offset, 2);
    return v;
}

uint32_t U32At(const std::vector<uint8_t>& bytes, size_t offset)
{
    uint32_t v;
    memcpy(&v, bytes.data() + offset, 4);
    return v;
}

TEST(EchoPacketLength, DataSizeBounds)
{
    const struct {
        unsigned short dataSize;
        size_t length;
    } cases[] = {{0, 64},  {12, 64},     {13, 40},       {31, 40},    {32, 40},   {33, 41},
                 {56, 64}, {1472, 1480}, {65507, 65515}, {65508, 64}, {65535, 64}};
    for (const auto& c : cases)
        EXPECT_EQ(EchoPacketLength(c.dataSize), c.length) << "data size " << c.dataSize;
}

TEST(IcmpChecksum, KnownVectorInMachineOrder)
{
    const uint8_t bytes[] = {0x00, 0x01, 0xf2, 0x03, 0xf4, 0xf5, 0xf6, 0xf7};
    uint16_t sum = IcmpChecksum(bytes, sizeof(bytes));
    uint8_t stored[2];
    memcpy(stored, &sum, 2);
    EXPECT_EQ(stored[0], 0x22);
    EXPECT_EQ(stored[1], 0x0d);
}

TEST(BuildEchoRequest, FieldsAndAChecksumThatVerifies)
{
    for (size_t length : {size_t(40), size_t(41), size_t(64), size_t(65515)}) {
        std::vector<uint8_t> packet(length, 0);
        BuildEchoRequest(packet.data(), length, 0xBEEF, 0x0102, 1700000000u, 999999u);
        EXPECT_EQ(packet[0], 8);
        EXPECT_EQ(packet[1], 0);
        EXPECT_EQ(U16At(packet, 4), 0xBEEF);
        EXPECT_EQ(U16At(packet, 6), 0x0102);
        EXPECT_EQ(U32At(packet, 8), 1700000000u);
        EXPECT_EQ(U32At(packet, 12), 999999u);
        EXPECT_EQ(U16At(packet, 16), 10);
        EXPECT_EQ(std::vector<uint8_t>(packet.begin() + 18, packet.end()),
                  std::vector<uint8_t>(length - 18, 0));
        EXPECT_EQ(IcmpChecksum(packet.data(), length), 0) << "length " << length;
    }
}

// Addresses in network order, as in_addr holds them.
uint32_t Ip(uint8_t a, uint8_t b, uint8_t c, uint8_t d)
{
    return uint32_t(a) | uint32_t(b) << 8 | uint32_t(c) << 16 | uint32_t(d) << 24;
}

const uint32_t kProbed = Ip(127, 0, 0, 1);
const uint32_t kRouter = Ip(127, 0, 0, 9);
const uint16_t kId = 0x4242;
const uint16_t kSeq = 3;

// An IPv4 header of `headerLength` bytes (options NOP-filled) carrying `payload`.
std::vector<uint8_t> IpDatagram(uint32_t source, uint32_t destination,
                                const std::vector<uint8_t>& payload, size_t headerLength = 20,
                                uint8_t protocol = 1)
{
    std::vector<uint8_t> d(headerLength, 0x01);
    d[0] = uint8_t(0x40 | (headerLength / 4));
    d[1] = 0;
    uint16_t total = uint16_t(headerLength + payload.size());
    d[2] = uint8_t(total >> 8);
    d[3] = uint8_t(total);
    memset(&d[4], 0, 4);
    d[8] = 64;
    d[9] = protocol;
    d[10] = d[11] = 0;
    memcpy(&d[12], &source, 4);
    memcpy(&d[16], &destination, 4);
    d.insert(d.end(), payload.begin(), payload.end());
    return d;
}

std::vector<uint8_t> Icmp(uint8_t type, uint16_t id, uint16_t seq, size_t length = 64)
{
    std::vector<uint8_t> m(length, 0);
    m[0] = type;
    memcpy(&m[4], &id, 2);
    memcpy(&m[6], &seq, 2);
    return m;
}

// An ICMP error message of `type` quoting `quoted` (an IP datagram) after its 8-byte header.
std::vector<uint8_t> IcmpError(uint8_t type, const std::vector<uint8_t>& quoted)
{
    std::vector<uint8_t> m(8, 0);
    m[0] = type;
    m.insert(m.end(), quoted.begin(), quoted.end());
    return m;
}

std::vector<uint8_t> OurProbe(size_t headerLength = 20)
{
    return IpDatagram(kProbed, kProbed, Icmp(8, kId, kSeq), headerLength);
}

std::vector<uint8_t> Truncated(std::vector<uint8_t> bytes, size_t length)
{
    bytes.resize(length);
    return bytes;
}

// Options that would read as our echo reply if the ICMP message were taken at offset 20.
std::vector<uint8_t> ReplyBehindMisleadingOptions()
{
    std::vector<uint8_t> d = IpDatagram(kProbed, kProbed, Icmp(0, 0x1111, kSeq), 28);
    std::vector<uint8_t> fake = Icmp(0, kId, kSeq, 8);
    memcpy(&d[20], fake.data(), 8);
    return d;
}

struct JudgeCase {
    const char* name;
    std::vector<uint8_t> datagram;
    IcmpVerdict verdict;
};

class IcmpJudging : public testing::TestWithParam<JudgeCase> {};

TEST_P(IcmpJudging, Verdict)
{
    const JudgeCase& c = GetParam();
    EXPECT_EQ(JudgeIcmpDatagram(c.datagram.data(), c.datagram.size(), kId, kSeq, kProbed),
              c.verdict);
    EXPECT_EQ(IsOurEchoReply(c.datagram.data(), c.datagram.size(), kId, kSeq, kProbed),
              c.verdict == IcmpVerdict::EchoReply);
}

const std::vector<uint8_t> kReply = IpDatagram(kProbed, kProbed, Icmp(0, kId, kSeq));

const JudgeCase kJudgeCases[] = {
    {"OurReply", kReply, IcmpVerdict::EchoReply},
    {"OurReplyWithOnlyTheIcmpHeader", Truncated(kReply, 28), IcmpVerdict::EchoReply},
    {"OwnRequestSeenOnLoopback", OurProbe(), IcmpVerdict::Ignore},
    {"OtherIdentifier", IpDatagram(kProbed, kProbed, Icmp(0, kId + 1, kSeq)), IcmpVerdict::Ignore},
    {"LateReplyToAnEarlierProbe", IpDatagram(kProbed, kProbed, Icmp(0, kId, kSeq - 1)),
     IcmpVerdict::Ignore},
    {"ReplyFromAnotherHost", IpDatagram(Ip(127, 0, 0, 2), kProbed, Icmp(0, kId, kSeq)),
     IcmpVerdict::Ignore},
    {"HeaderWithOptions", IpDatagram(kProbed, kProbed, Icmp(0, kId, kSeq), 24),
     IcmpVerdict::EchoReply},
    {"MaximalHeader", IpDatagram(kProbed, kProbed, Icmp(0, kId, kSeq), 60), IcmpVerdict::EchoReply},
    {"OptionsThatLookLikeOurReply", ReplyBehindMisleadingOptions(), IcmpVerdict::Ignore},
    {"TruncatedIcmpHeader", Truncated(kReply, 27), IcmpVerdict::Ignore},
    {"TruncatedIpHeader", Truncated(kReply, 19), IcmpVerdict::Ignore},
    {"OptionsCutOff", Truncated(IpDatagram(kProbed, kProbed, Icmp(0, kId, kSeq), 24), 30),
     IcmpVerdict::Ignore},
    {"Empty", {}, IcmpVerdict::Ignore},
    {"HeaderLengthBelowMinimum",
     [] {
         auto d = kReply;
         d[0] = 0x44;
         return d;
     }(),
     IcmpVerdict::Ignore},
    {"NotIPv4",
     [] {
         auto d = kReply;
         d[0] = 0x65;
         return d;
     }(),
     IcmpVerdict::Ignore},
    {"NotIcmp", IpDatagram(kProbed, kProbed, Icmp(0, kId, kSeq), 20, 17), IcmpVerdict::Ignore},
    {"UnreachableQuotingTheProbe", IpDatagram(kRouter, kProbed, IcmpError(3, OurProbe())),
     IcmpVerdict::ProbeError},
    {"TimeExceededQuotingTheProbe", IpDatagram(kRouter, kProbed, IcmpError(11, OurProbe())),
     IcmpVerdict::ProbeError},
    {"SourceQuenchQuotingTheProbe", IpDatagram(kRouter, kProbed, IcmpError(4, OurProbe())),
     IcmpVerdict::ProbeError},
    {"ParameterProblemQuotingAProbeWithOptions",
     IpDatagram(kRouter, kProbed, IcmpError(12, OurProbe(24))), IcmpVerdict::ProbeError},
    {"UnreachableQuotingOnlyEightBytes",
     IpDatagram(kRouter, kProbed, IcmpError(3, Truncated(OurProbe(), 28))),
     IcmpVerdict::ProbeError},
    {"UnreachableQuotingTooLittle",
     IpDatagram(kRouter, kProbed, IcmpError(3, Truncated(OurProbe(), 27))), IcmpVerdict::Ignore},
    {"UnreachableQuotingAnotherProbe",
     IpDatagram(kRouter, kProbed,
                IcmpError(3, IpDatagram(kProbed, kProbed, Icmp(8, kId, kSeq + 1)))),
     IcmpVerdict::Ignore},
    {"UnreachableQuotingAProbeToAnotherHost",
     IpDatagram(kRouter, kProbed,
                IcmpError(3, IpDatagram(kProbed, Ip(127, 0, 0, 3), Icmp(8, kId, kSeq)))),
     IcmpVerdict::Ignore},
    {"RedirectIsNoError", IpDatagram(kRouter, kProbed, IcmpError(5, OurProbe())),
     IcmpVerdict::Ignore},
};

INSTANTIATE_TEST_SUITE_P(JudgeIcmpDatagram, IcmpJudging, testing::ValuesIn(kJudgeCases),
                         [](const testing::TestParamInfo<JudgeCase>& info) {
                             return std::string(info.param.name);
                         });

}  // namespace
