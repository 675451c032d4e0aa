// The message codec against byte tables, and its refusal of malformed datagrams.
#include <gtest/gtest.h>

#include "snmp_message.h"

using namespace wsnmp;

namespace {

Bytes B(std::initializer_list<int> values)
{
    Bytes out;
    for (int v : values)
        out.push_back(static_cast<uint8_t>(v));
    return out;
}

// A v2c GET of sysName.0 with request id 1 and the community "public".
const Bytes kGetSysName =
    B({0x30, 0x26, 0x02, 0x01, 0x01, 0x04, 0x06, 'p',  'u',  'b',  'l',  'i',  'c',  0xA0,
       0x19, 0x02, 0x01, 0x01, 0x02, 0x01, 0x00, 0x02, 0x01, 0x00, 0x30, 0x0E, 0x30, 0x0C,
       0x06, 0x08, 0x2B, 0x06, 0x01, 0x02, 0x01, 0x01, 0x05, 0x00, 0x05, 0x00});

Message OneBinding(const Value& value, int32_t version = kVersion2c)
{
    Message m;
    m.version = version;
    m.community = B({'c'});
    m.pdu.type = 0xA2;
    m.pdu.requestId = 7;
    m.pdu.varbinds.push_back({{1, 3, 6, 1, 4, 1, 99999, 1}, value});
    return m;
}

// The encoded bytes of a single value inside a message, found after the binding's name.
Bytes EncodedValue(const Value& value)
{
    Bytes all;
    EXPECT_TRUE(EncodeMessage(OneBinding(value), all));
    const size_t prefix = 2 + 3 + 3 + 2 + 3 + 3 + 3 + 2 + 2 + 11;  // headers up to the value
    return Bytes(all.begin() + static_cast<long>(prefix), all.end());
}

}  // namespace

TEST(BerCodec, EncodesAGetRequestByteForByte)
{
    Message m;
    m.version = kVersion2c;
    m.community = B({'p', 'u', 'b', 'l', 'i', 'c'});
    m.pdu.type = 0xA0;
    m.pdu.requestId = 1;
    m.pdu.varbinds.push_back({{1, 3, 6, 1, 2, 1, 1, 5, 0}, Value()});
    Bytes out;
    ASSERT_TRUE(EncodeMessage(m, out));
    EXPECT_EQ(out, kGetSysName);
}

TEST(BerCodec, DecodesAGetRequest)
{
    Message m;
    ASSERT_TRUE(DecodeMessage(kGetSysName.data(), kGetSysName.size(), m));
    EXPECT_EQ(m.version, kVersion2c);
    EXPECT_EQ(m.community, B({'p', 'u', 'b', 'l', 'i', 'c'}));
    EXPECT_EQ(m.pdu.type, 0xA0);
    EXPECT_EQ(m.pdu.requestId, 1);
    ASSERT_EQ(m.pdu.varbinds.size(), 1u);
    EXPECT_EQ(m.pdu.varbinds[0].name, (Oid{1, 3, 6, 1, 2, 1, 1, 5, 0}));
    EXPECT_EQ(m.pdu.varbinds[0].value.syntax, 0x05u);
}

struct ValueCase {
    const char* what;
    Value value;
    Bytes bytes;
};

Value Int(int32_t v)
{
    Value x;
    x.syntax = 0x02;
    x.integer = v;
    return x;
}
Value Num(uint32_t syntax, uint64_t v)
{
    Value x;
    x.syntax = syntax;
    x.number = v;
    return x;
}
Value Str(uint32_t syntax, Bytes b)
{
    Value x;
    x.syntax = syntax;
    x.bytes = std::move(b);
    return x;
}
Value Id(Oid o)
{
    Value x;
    x.syntax = 0x06;
    x.oid = std::move(o);
    return x;
}
Value Empty(uint32_t syntax)
{
    Value x;
    x.syntax = syntax;
    return x;
}

const ValueCase kValues[] = {
    {"int 0", Int(0), B({0x02, 0x01, 0x00})},
    {"int 127", Int(127), B({0x02, 0x01, 0x7F})},
    {"int 128", Int(128), B({0x02, 0x02, 0x00, 0x80})},
    {"int -1", Int(-1), B({0x02, 0x01, 0xFF})},
    {"int -128", Int(-128), B({0x02, 0x01, 0x80})},
    {"int -129", Int(-129), B({0x02, 0x02, 0xFF, 0x7F})},
    {"int max", Int(INT32_MAX), B({0x02, 0x04, 0x7F, 0xFF, 0xFF, 0xFF})},
    {"int min", Int(INT32_MIN), B({0x02, 0x04, 0x80, 0x00, 0x00, 0x00})},
    {"octets", Str(0x04, B({'a', 'b', 0x01})), B({0x04, 0x03, 'a', 'b', 0x01})},
    {"empty octets", Str(0x04, {}), B({0x04, 0x00})},
    {"null", Empty(0x05), B({0x05, 0x00})},
    {"oid", Id({1, 3, 6, 1, 4, 1, 99999}),
     B({0x06, 0x08, 0x2B, 0x06, 0x01, 0x04, 0x01, 0x86, 0x8D, 0x1F})},
    {"oid arc 2", Id({2, 999, 3}), B({0x06, 0x03, 0x88, 0x37, 0x03})},
    {"oid max sub", Id({1, 3, 0xFFFFFFFFu}), B({0x06, 0x06, 0x2B, 0x8F, 0xFF, 0xFF, 0xFF, 0x7F})},
    {"ipaddress", Str(0x40, B({10, 0, 0, 1})), B({0x40, 0x04, 10, 0, 0, 1})},
    {"counter32 0", Num(0x41, 0), B({0x41, 0x01, 0x00})},
    {"counter32 big", Num(0x41, 4000000000u), B({0x41, 0x05, 0x00, 0xEE, 0x6B, 0x28, 0x00})},
    {"gauge32", Num(0x42, 77), B({0x42, 0x01, 0x4D})},
    {"timeticks", Num(0x43, 12345), B({0x43, 0x02, 0x30, 0x39})},
    {"opaque", Str(0x44, B({0x9F, 0x78})), B({0x44, 0x02, 0x9F, 0x78})},
    {"counter64 2^32", Num(0x46, 1ull << 32), B({0x46, 0x05, 0x01, 0x00, 0x00, 0x00, 0x00})},
    {"counter64 max", Num(0x46, ~0ull),
     B({0x46, 0x09, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF})},
    {"uint32", Num(0x47, 5), B({0x47, 0x01, 0x05})},
    {"noSuchObject", Empty(0x80), B({0x80, 0x00})},
    {"noSuchInstance", Empty(0x81), B({0x81, 0x00})},
    {"endOfMibView", Empty(0x82), B({0x82, 0x00})},
};

TEST(BerCodec, ValuesOfEverySyntaxEncodeAndDecode)
{
    for (const ValueCase& c : kValues) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(EncodedValue(c.value), c.bytes);
        Bytes all;
        ASSERT_TRUE(EncodeMessage(OneBinding(c.value), all));
        Message back;
        ASSERT_TRUE(DecodeMessage(all.data(), all.size(), back));
        ASSERT_EQ(back.pdu.varbinds.size(), 1u);
        const Value& v = back.pdu.varbinds[0].value;
        EXPECT_EQ(v.syntax, c.value.syntax);
        EXPECT_EQ(v.integer, c.value.integer);
        EXPECT_EQ(v.number, c.value.number);
        EXPECT_EQ(v.bytes, c.value.bytes);
        EXPECT_EQ(v.oid, c.value.oid);
    }
}

TEST(BerCodec, LongLengthsAreWrittenAndRead)
{
    Message m = OneBinding(Str(0x04, Bytes(300, 'x')));
    Bytes all;
    ASSERT_TRUE(EncodeMessage(m, all));
    EXPECT_EQ(all[1], 0x82);  // two length bytes for the message
    Message back;
    ASSERT_TRUE(DecodeMessage(all.data(), all.size(), back));
    EXPECT_EQ(back.pdu.varbinds[0].value.bytes.size(), 300u);
}

TEST(BerCodec, IdentifiersThatBerCannotCarryAreRefused)
{
    for (const Oid& bad : {Oid{1}, Oid{3, 1}, Oid{1, 40}, Oid{}}) {
        Bytes out;
        EXPECT_FALSE(EncodeMessage(OneBinding(Id(bad)), out));
    }
}

// A v1 trap: enterprise 1.3.6.1.4.1.99999, agent 127.0.0.1, the given generic and specific
// numbers, time stamp 100, one binding 1.3.6.1.4.1.99999.1 = INTEGER 5.
Bytes V1Trap(uint8_t generic, uint8_t specific)
{
    Bytes pdu = B({0x06, 0x08, 0x2B, 0x06, 0x01, 0x04, 0x01, 0x86,    0x8D, 0x1F, 0x40,
                   0x04, 127,  0,    0,    1,    0x02, 0x01, generic, 0x02, 0x01, specific,
                   0x43, 0x01, 100,  0x30, 0x0F, 0x30, 0x0D, 0x06,    0x08, 0x2B, 0x06,
                   0x01, 0x04, 0x01, 0x86, 0x8D, 0x1F, 0x02, 0x01,    0x05});
    // The binding's name above is 1.3.6.1.4.1.99999 (8 bytes) and its value INTEGER 5; fix
    // the lengths: binding 0x0D, list 0x0F.
    Bytes message = B({0x02, 0x01, 0x00, 0x04, 0x01, 'c', 0xA4, static_cast<int>(pdu.size())});
    message.insert(message.end(), pdu.begin(), pdu.end());
    Bytes out = B({0x30, static_cast<int>(message.size())});
    out.insert(out.end(), message.begin(), message.end());
    return out;
}

TEST(BerCodec, V1TrapsBecomeSnmpV2Traps)
{
    struct Case {
        uint8_t generic, specific;
        Oid trapOid;
        bool enterpriseAppended;
    } cases[] = {
        {0, 0, {1, 3, 6, 1, 6, 3, 1, 1, 5, 1}, true},
        {3, 0, {1, 3, 6, 1, 6, 3, 1, 1, 5, 4}, true},
        {6, 17, {1, 3, 6, 1, 4, 1, 99999, 0, 17}, false},
    };
    for (const Case& c : cases) {
        Bytes bytes = V1Trap(c.generic, c.specific);
        Message m;
        ASSERT_TRUE(DecodeMessage(bytes.data(), bytes.size(), m));
        ASSERT_EQ(m.pdu.type, 0xA4);
        EXPECT_EQ(m.pdu.timeStamp, 100u);
        ConvertV1Trap(m.pdu);
        EXPECT_EQ(m.pdu.type, 0xA7);
        const VarBindList& vb = m.pdu.varbinds;
        ASSERT_EQ(vb.size(), c.enterpriseAppended ? 4u : 3u);
        EXPECT_EQ(vb[0].name, (Oid{1, 3, 6, 1, 2, 1, 1, 3, 0}));
        EXPECT_EQ(vb[0].value.number, 100u);
        EXPECT_EQ(vb[1].name, (Oid{1, 3, 6, 1, 6, 3, 1, 1, 4, 1, 0}));
        EXPECT_EQ(vb[1].value.oid, c.trapOid);
        EXPECT_EQ(vb[2].value.integer, 5);
        if (c.enterpriseAppended) {
            EXPECT_EQ(vb[3].value.oid, (Oid{1, 3, 6, 1, 4, 1, 99999}));
        }
    }
}

TEST(BerCodec, AV1TrapWhoseTrapIdentifierWouldBeTooLongIsRefused)
{
    auto trap = [](size_t enterpriseLength, int32_t generic) {
        Pdu pdu;
        pdu.type = 0xA4;
        pdu.enterprise.assign(enterpriseLength, 7);
        pdu.enterprise[0] = 1;
        pdu.enterprise[1] = 3;
        pdu.genericTrap = generic;
        return pdu;
    };
    Pdu tooLong = trap(127, 6);
    EXPECT_FALSE(ConvertV1Trap(tooLong));
    EXPECT_EQ(tooLong.type, 0xA4) << "left as it came";
    Pdu longest = trap(126, 6);
    ASSERT_TRUE(ConvertV1Trap(longest));
    EXPECT_EQ(longest.varbinds[1].value.oid.size(), kMaxOidLength);
    Pdu generic = trap(kMaxOidLength, 2);  // the enterprise travels as a value of its own
    ASSERT_TRUE(ConvertV1Trap(generic));
    Message m;
    m.version = kVersion2c;
    m.pdu = generic;
    Bytes bytes;
    Message back;
    ASSERT_TRUE(EncodeMessage(m, bytes));
    EXPECT_TRUE(DecodeMessage(bytes.data(), bytes.size(), back));
}

// Replaces bytes of the valid GET from `at` on.
Bytes Patched(size_t at, std::initializer_list<int> values)
{
    Bytes out = kGetSysName;
    for (int v : values)
        out[at++] = static_cast<uint8_t>(v);
    return out;
}

TEST(BerCodec, MalformedDatagramsAreRefused)
{
    Bytes trailing = kGetSysName;
    trailing.push_back(0);
    Bytes v1Bulk = Patched(4, {0x00});
    v1Bulk[13] = 0xA5;
    Bytes v2cV1Trap = V1Trap(0, 0);
    v2cV1Trap[4] = 0x01;
    struct Case {
        const char* what;
        Bytes bytes;
    } cases[] = {
        {"empty", {}},
        {"trailing byte", trailing},
        {"outer tag", Patched(0, {0x31})},
        {"length past the end", Patched(1, {0x27})},
        {"indefinite length", Patched(1, {0x80})},
        {"five length bytes", B({0x30, 0x85, 0, 0, 0, 0, 1, 0})},
        {"version 3", Patched(4, {0x03})},
        {"version -1", Patched(4, {0xFF})},
        {"community tag", Patched(5, {0x24})},
        {"unknown pdu", Patched(13, {0xA9})},
        {"v1 getbulk", v1Bulk},
        {"v1 trap in v2c", v2cV1Trap},
        {"request id longer than its pdu", Patched(15, {0x02, 0x7F})},
        {"zero-length integer", Patched(21, {0x02, 0x00, 0x02, 0x02})},
        {"inner length over outer", Patched(25, {0x0F})},
        {"null with contents", Patched(38, {0x05, 0x01})},
        {"oid ends mid-way", Patched(37, {0x80})},
        {"oid padding", Patched(31, {0x80})},
        {"multi-byte tag", Patched(38, {0x1F, 0x00})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Message m;
        EXPECT_FALSE(DecodeMessage(c.bytes.data(), c.bytes.size(), m));
    }
}

TEST(BerCodec, ValuesOutOfRangeAreRefused)
{
    struct Case {
        const char* what;
        Bytes value;
    } cases[] = {
        {"int of 6 bytes", B({0x02, 0x06, 0, 0, 0, 0, 0, 1})},
        {"int beyond 32 bits", B({0x02, 0x05, 0x01, 0, 0, 0, 0})},
        {"counter32 beyond 32 bits", B({0x41, 0x05, 0x01, 0, 0, 0, 0})},
        {"counter64 of 10 bytes", B({0x46, 0x0A, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0})},
        {"ipaddress of 3 bytes", B({0x40, 0x03, 1, 2, 3})},
        {"oid sub-identifier beyond 32 bits",
         B({0x06, 0x07, 0x2B, 0x90, 0x80, 0x80, 0x80, 0x80, 0x00})},
        {"empty oid", B({0x06, 0x00})},
        {"exception with contents", B({0x80, 0x01, 0x00})},
        {"constructed octets", B({0x24, 0x00})},
        {"unknown tag", B({0x48, 0x00})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Bytes binding = B({0x06, 0x02, 0x2B, 0x06});
        binding.insert(binding.end(), c.value.begin(), c.value.end());
        Bytes list = B({0x30, static_cast<int>(binding.size())});
        list.insert(list.end(), binding.begin(), binding.end());
        Bytes pdu = B({0x02, 0x01, 0x01, 0x02, 0x01, 0x00, 0x02, 0x01, 0x00, 0x30,
                       static_cast<int>(list.size())});
        pdu.insert(pdu.end(), list.begin(), list.end());
        Bytes message = B({0x02, 0x01, 0x01, 0x04, 0x00, 0xA2, static_cast<int>(pdu.size())});
        message.insert(message.end(), pdu.begin(), pdu.end());
        Bytes all = B({0x30, static_cast<int>(message.size())});
        all.insert(all.end(), message.begin(), message.end());
        Message m;
        EXPECT_FALSE(DecodeMessage(all.data(), all.size(), m));
    }
}

TEST(BerCodec, EveryTruncationAndSingleByteChangeIsSafe)
{
    Bytes all;
    Value v = Str(0x04, Bytes(200, 'y'));
    ASSERT_TRUE(EncodeMessage(OneBinding(v), all));
    for (size_t n = 0; n < all.size(); ++n) {
        Message m;
        EXPECT_FALSE(DecodeMessage(all.data(), n, m)) << "prefix of " << n;
    }
    for (size_t i = 0; i < all.size(); ++i) {
        for (int change : {0x00, 0x7F, 0x80, 0xFF}) {
            Bytes mutated = all;
            mutated[i] = static_cast<uint8_t>(change);
            Message m;
            DecodeMessage(mutated.data(), mutated.size(), m);  // must neither crash nor hang
        }
    }
}
