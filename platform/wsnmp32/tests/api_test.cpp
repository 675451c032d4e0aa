// The DLL's entry points, loaded by name as the product loads them: start-up counting,
// identifiers, varbind lists, PDUs, entities, handle checks, and the transport's
// retransmission, time-out notice, the application's inform answer and junk handling on the
// loopback.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "snmp_message.h"
#include "winsnmp_api.h"

namespace {

struct Api {
#define WSNMP32_POINTER(ret, name, args) PFN_##name name = nullptr;
    WSNMP32_FUNCTIONS(WSNMP32_POINTER)
#undef WSNMP32_POINTER
    bool bind()
    {
        HMODULE module = LoadLibraryA("wsnmp32.dll");
        if (!module)
            return false;
        bool ok = true;
#define WSNMP32_BIND(ret, name, args)                                                            \
    name = reinterpret_cast<PFN_##name>(reinterpret_cast<void*>(GetProcAddress(module, #name))); \
    ok = ok && name;
        WSNMP32_FUNCTIONS(WSNMP32_BIND)
#undef WSNMP32_BIND
        return ok;
    }
};

Api api;

SNMPAPI_STATUS CALLBACK Ignore(HSNMP_SESSION, HWND, UINT, WPARAM, LPARAM, LPVOID)
{
    return SNMPAPI_SUCCESS;
}

class WinSnmp : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(api.bind()); }
    void SetUp() override
    {
        ASSERT_EQ(api.SnmpStartup(nullptr, nullptr, nullptr, nullptr, nullptr), SNMPAPI_SUCCESS);
        session = api.SnmpCreateSession(nullptr, 0, Ignore, nullptr);
        ASSERT_NE(session, nullptr);
    }
    void TearDown() override
    {
        api.SnmpClose(session);
        api.SnmpCleanup();
    }
    smiOID Oid(const char* text)
    {
        smiOID oid{};
        EXPECT_NE(api.SnmpStrToOid(text, &oid), SNMPAPI_FAILURE) << text;
        return oid;
    }
    void Free(smiOID& oid)
    {
        api.SnmpFreeDescriptor(SNMP_SYNTAX_OID, reinterpret_cast<smiLPOPAQUE>(&oid));
    }
    uint32_t LastError() { return api.SnmpGetLastError(session); }

    HSNMP_SESSION session = nullptr;
};

}  // namespace

TEST(WinSnmpStartup, IsCountedAndRequired)
{
    ASSERT_TRUE(api.bind());
    smiUINT32 major = 0, minor = 0, level = 0, translate = 9, retransmit = 9;
    smiOID oid{};
    EXPECT_EQ(api.SnmpStrToOid("1.3.6", &oid), SNMPAPI_FAILURE);
    EXPECT_EQ(api.SnmpGetLastError(nullptr), static_cast<uint32_t>(SNMPAPI_NOT_INITIALIZED));
    ASSERT_EQ(api.SnmpStartup(&major, &minor, &level, &translate, &retransmit), SNMPAPI_SUCCESS);
    EXPECT_EQ(major, 2u);
    EXPECT_EQ(level, static_cast<smiUINT32>(SNMPAPI_V2_SUPPORT));
    EXPECT_EQ(translate, static_cast<smiUINT32>(SNMPAPI_UNTRANSLATED_V1));
    EXPECT_EQ(retransmit, static_cast<smiUINT32>(SNMPAPI_ON));
    ASSERT_EQ(api.SnmpStartup(nullptr, nullptr, nullptr, nullptr, nullptr), SNMPAPI_SUCCESS);
    EXPECT_EQ(api.SnmpCleanup(), SNMPAPI_SUCCESS);
    EXPECT_EQ(api.SnmpStrToOid("1.3.6", &oid), 3u) << "still started once";
    api.SnmpFreeDescriptor(SNMP_SYNTAX_OID, reinterpret_cast<smiLPOPAQUE>(&oid));
    HSNMP_SESSION s = api.SnmpCreateSession(nullptr, 0, Ignore, nullptr);
    EXPECT_NE(s, nullptr);
    EXPECT_EQ(api.SnmpCleanup(), SNMPAPI_SUCCESS);
    EXPECT_EQ(api.SnmpClose(s), SNMPAPI_FAILURE) << "the last clean-up closed the session";
    EXPECT_EQ(api.SnmpCleanup(), SNMPAPI_FAILURE);
    EXPECT_EQ(api.SnmpGetLastError(nullptr), static_cast<uint32_t>(SNMPAPI_NOT_INITIALIZED));
}

TEST_F(WinSnmp, ModesAreCheckedAndKept)
{
    EXPECT_EQ(api.SnmpSetTranslateMode(3), SNMPAPI_FAILURE);
    EXPECT_EQ(LastError(), static_cast<uint32_t>(SNMPAPI_MODE_INVALID));
    EXPECT_EQ(api.SnmpSetRetransmitMode(2), SNMPAPI_FAILURE);
    ASSERT_EQ(api.SnmpSetTranslateMode(SNMPAPI_UNTRANSLATED_V2), SNMPAPI_SUCCESS);
    smiUINT32 mode = 0;
    ASSERT_EQ(api.SnmpGetTranslateMode(&mode), SNMPAPI_SUCCESS);
    EXPECT_EQ(mode, static_cast<smiUINT32>(SNMPAPI_UNTRANSLATED_V2));
    api.SnmpSetTranslateMode(SNMPAPI_UNTRANSLATED_V1);
}

TEST_F(WinSnmp, IdentifierTextsAreParsedStrictly)
{
    struct Case {
        const char* text;
        smiUINT32 parts;  // 0: refused
    } cases[] = {
        {"1.3.6.1.2.1.1.5.0", 9},
        {".1.3.6.1", 4},
        {"1.3.4294967295", 3},
        {"", 0},
        {"1", 0},
        {"1..3", 0},
        {"1.3.", 0},
        {"a.b", 0},
        {"1.3.4294967296", 0},
        {"1.3 .6", 0},
    };
    for (const Case& c : cases) {
        smiOID oid{};
        EXPECT_EQ(api.SnmpStrToOid(c.text, &oid), c.parts) << c.text;
        if (c.parts) {
            Free(oid);
        } else {
            EXPECT_EQ(api.SnmpGetLastError(nullptr), static_cast<uint32_t>(SNMPAPI_OID_INVALID))
                << c.text;
        }
    }
    std::string longest = "1.3";
    for (int i = 2; i < MAXOBJIDSIZE; ++i)
        longest += ".1";
    smiOID oid{};
    EXPECT_EQ(api.SnmpStrToOid(longest.c_str(), &oid), static_cast<smiUINT32>(MAXOBJIDSIZE));
    Free(oid);
    EXPECT_EQ(api.SnmpStrToOid((longest + ".1").c_str(), &oid), SNMPAPI_FAILURE);
}

TEST_F(WinSnmp, IdentifiersRenderIntoTheCallersBuffer)
{
    smiOID oid = Oid("1.3.6.1.4.1.99999");
    char text[32];
    EXPECT_EQ(api.SnmpOidToStr(&oid, sizeof(text), text), 18u) << "length with the NUL";
    EXPECT_STREQ(text, "1.3.6.1.4.1.99999");
    EXPECT_EQ(api.SnmpOidToStr(&oid, 17, text), SNMPAPI_FAILURE);
    EXPECT_EQ(api.SnmpGetLastError(nullptr), static_cast<uint32_t>(SNMPAPI_OUTPUT_TRUNCATED));
    smiOID copy{};
    EXPECT_EQ(api.SnmpOidCopy(&oid, &copy), 7u);
    smiOID shorter = Oid("1.3.6.1.4.1");
    smiOID other = Oid("1.3.6.2");
    struct Case {
        smiOID* x;
        smiOID* y;
        smiUINT32 maxlen;
        int sign;
    } cases[] = {{&oid, &copy, 0, 0},    {&shorter, &oid, 0, -1}, {&oid, &shorter, 0, 1},
                 {&oid, &shorter, 6, 0}, {&other, &oid, 0, 1},    {&oid, &other, 0, -1}};
    for (const Case& c : cases) {
        smiINT result = 99;
        ASSERT_EQ(api.SnmpOidCompare(c.x, c.y, c.maxlen, &result), SNMPAPI_SUCCESS);
        EXPECT_EQ(result < 0 ? -1 : result > 0 ? 1 : 0, c.sign);
    }
    smiINT result = 0;
    EXPECT_EQ(api.SnmpOidCompare(&oid, &copy, MAXOBJIDSIZE + 1, &result), SNMPAPI_FAILURE);
    for (smiOID* o : {&oid, &copy, &shorter, &other})
        Free(*o);
    EXPECT_EQ(oid.ptr, nullptr);
}

TEST_F(WinSnmp, VarbindListsKeepEverySyntax)
{
    smiOID name = Oid("1.3.6.1.4.1.99999.1");
    smiUINT32 subs[] = {1, 3, 6, 1, 9};
    smiBYTE text[] = {'a', 'b', 1};
    smiBYTE address[] = {10, 0, 0, 1};
    std::vector<smiVALUE> values(8);
    values[0].syntax = SNMP_SYNTAX_INT;
    values[0].value.sNumber = -5;
    values[1].syntax = SNMP_SYNTAX_OCTETS;
    values[1].value.string = {3, text};
    values[2].syntax = SNMP_SYNTAX_OID;
    values[2].value.oid = {5, subs};
    values[3].syntax = SNMP_SYNTAX_IPADDR;
    values[3].value.string = {4, address};
    values[4].syntax = SNMP_SYNTAX_CNTR64;
    values[4].value.hNumber = {1, 2};
    values[5].syntax = SNMP_SYNTAX_TIMETICKS;
    values[5].value.uNumber = 4000000000u;
    values[6].syntax = SNMP_SYNTAX_NOSUCHINSTANCE;
    values[7].syntax = SNMP_SYNTAX_OCTETS;
    values[7].value.string = {0, nullptr};
    HSNMP_VBL vbl = api.SnmpCreateVbl(session, nullptr, nullptr);
    ASSERT_NE(vbl, nullptr);
    EXPECT_EQ(api.SnmpCountVbl(vbl), 0u);
    for (size_t i = 0; i < values.size(); ++i)
        EXPECT_EQ(api.SnmpSetVb(vbl, 0, &name, &values[i]), i + 1);
    ASSERT_EQ(api.SnmpCountVbl(vbl), values.size());
    for (size_t i = 0; i < values.size(); ++i) {
        smiOID got{};
        smiVALUE v{};
        ASSERT_EQ(api.SnmpGetVb(vbl, static_cast<smiUINT32>(i + 1), &got, &v), SNMPAPI_SUCCESS);
        EXPECT_EQ(got.len, name.len);
        EXPECT_EQ(v.syntax, values[i].syntax);
        switch (v.syntax) {
        case SNMP_SYNTAX_INT:
            EXPECT_EQ(v.value.sNumber, -5);
            break;
        case SNMP_SYNTAX_OCTETS:
        case SNMP_SYNTAX_IPADDR:
            ASSERT_EQ(v.value.string.len, values[i].value.string.len);
            if (v.value.string.len) {
                EXPECT_EQ(
                    memcmp(v.value.string.ptr, values[i].value.string.ptr, v.value.string.len), 0);
            }
            api.SnmpFreeDescriptor(v.syntax, &v.value.string);
            break;
        case SNMP_SYNTAX_OID:
            ASSERT_EQ(v.value.oid.len, 5u);
            EXPECT_EQ(v.value.oid.ptr[4], 9u);
            api.SnmpFreeDescriptor(SNMP_SYNTAX_OID, reinterpret_cast<smiLPOPAQUE>(&v.value.oid));
            break;
        case SNMP_SYNTAX_CNTR64:
            EXPECT_EQ(v.value.hNumber.hipart, 1u);
            EXPECT_EQ(v.value.hNumber.lopart, 2u);
            break;
        case SNMP_SYNTAX_TIMETICKS:
            EXPECT_EQ(v.value.uNumber, 4000000000u);
            break;
        default:
            break;
        }
        Free(got);
    }
    // Replacing, bad indexes, bad values.
    EXPECT_EQ(api.SnmpSetVb(vbl, 2, &name, &values[0]), 2u);
    EXPECT_EQ(api.SnmpSetVb(vbl, 10, &name, &values[0]), SNMPAPI_FAILURE);
    EXPECT_EQ(LastError(), static_cast<uint32_t>(SNMPAPI_INDEX_INVALID));
    smiOID got{};
    smiVALUE v{};
    EXPECT_EQ(api.SnmpGetVb(vbl, 0, &got, &v), SNMPAPI_FAILURE);
    smiVALUE badAddress = values[3];
    badAddress.value.string.len = 3;
    EXPECT_EQ(api.SnmpSetVb(vbl, 0, &name, &badAddress), SNMPAPI_FAILURE);
    EXPECT_EQ(LastError(), static_cast<uint32_t>(SNMPAPI_SYNTAX_INVALID));
    smiVALUE unknown{};
    unknown.syntax = 0x48;
    EXPECT_EQ(api.SnmpSetVb(vbl, 0, &name, &unknown), SNMPAPI_FAILURE);
    smiOID tooShort = {1, subs};
    EXPECT_EQ(api.SnmpSetVb(vbl, 0, &tooShort, nullptr), SNMPAPI_FAILURE);
    EXPECT_EQ(LastError(), static_cast<uint32_t>(SNMPAPI_OID_INVALID));
    EXPECT_EQ(api.SnmpFreeVbl(vbl), SNMPAPI_SUCCESS);
    EXPECT_EQ(api.SnmpFreeVbl(vbl), SNMPAPI_FAILURE);
    EXPECT_EQ(api.SnmpGetLastError(nullptr), static_cast<uint32_t>(SNMPAPI_VBL_INVALID));
    Free(name);
}

TEST_F(WinSnmp, PdusCopyTheirListAndGetRequestIds)
{
    smiOID name = Oid("1.3.6.1.2.1.1.5.0");
    HSNMP_VBL vbl = api.SnmpCreateVbl(session, &name, nullptr);
    HSNMP_PDU first = api.SnmpCreatePdu(session, SNMP_PDU_GET, 0, 0, 0, vbl);
    HSNMP_PDU second = api.SnmpCreatePdu(session, SNMP_PDU_GETNEXT, 0, 0, 0, vbl);
    ASSERT_NE(first, nullptr);
    api.SnmpFreeVbl(vbl);  // the PDUs keep their own copies
    smiINT type = 0, status = -1, index = -1;
    smiINT32 id1 = 0, id2 = 0;
    HSNMP_VBL copy = nullptr;
    ASSERT_EQ(api.SnmpGetPduData(first, &type, &id1, &status, &index, &copy), SNMPAPI_SUCCESS);
    EXPECT_EQ(type, SNMP_PDU_GET);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(api.SnmpCountVbl(copy), 1u);
    ASSERT_EQ(api.SnmpGetPduData(second, nullptr, &id2, nullptr, nullptr, nullptr),
              SNMPAPI_SUCCESS);
    EXPECT_NE(id1, 0);
    EXPECT_NE(id1, id2);
    smiINT bulk = SNMP_PDU_GETBULK, repeaters = 1, repetitions = 10;
    ASSERT_EQ(api.SnmpSetPduData(second, &bulk, nullptr, &repeaters, &repetitions, nullptr),
              SNMPAPI_SUCCESS);
    ASSERT_EQ(api.SnmpGetPduData(second, &type, nullptr, &status, &index, nullptr),
              SNMPAPI_SUCCESS);
    EXPECT_EQ(type, SNMP_PDU_GETBULK);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(index, 10);
    EXPECT_EQ(api.SnmpCreatePdu(session, SNMP_PDU_V1TRAP, 0, 0, 0, nullptr), nullptr);
    EXPECT_EQ(LastError(), static_cast<uint32_t>(SNMPAPI_PDU_INVALID));
    EXPECT_EQ(api.SnmpCreatePdu(session, SNMP_PDU_GET, 0, 0, 0, reinterpret_cast<HSNMP_VBL>(first)),
              nullptr)
        << "a PDU handle is no varbind list";
    EXPECT_EQ(LastError(), static_cast<uint32_t>(SNMPAPI_VBL_INVALID));
    api.SnmpFreeVbl(copy);
    EXPECT_EQ(api.SnmpFreePdu(first), SNMPAPI_SUCCESS);
    EXPECT_EQ(api.SnmpFreePdu(first), SNMPAPI_FAILURE);
    api.SnmpFreePdu(second);
    Free(name);
}

TEST_F(WinSnmp, EntitiesAndContexts)
{
    EXPECT_EQ(api.SnmpStrToEntity(session, "not-an-address"), nullptr);
    EXPECT_EQ(LastError(), static_cast<uint32_t>(SNMPAPI_ENTITY_UNKNOWN));
    HSNMP_ENTITY entity = api.SnmpStrToEntity(session, "10.1.2.3");
    ASSERT_NE(entity, nullptr);
    char text[16];
    EXPECT_EQ(api.SnmpEntityToStr(entity, sizeof(text), text), 9u);
    EXPECT_STREQ(text, "10.1.2.3");
    EXPECT_EQ(api.SnmpEntityToStr(entity, 8, text), SNMPAPI_FAILURE);
    EXPECT_EQ(api.SnmpSetPort(entity, 0), SNMPAPI_FAILURE);
    ASSERT_EQ(api.SnmpSetTimeout(entity, 250), SNMPAPI_SUCCESS);
    ASSERT_EQ(api.SnmpSetRetry(entity, 4), SNMPAPI_SUCCESS);
    smiTIMETICKS policy = 0, actual = 0;
    smiUINT32 retry = 0;
    ASSERT_EQ(api.SnmpGetTimeout(entity, &policy, &actual), SNMPAPI_SUCCESS);
    ASSERT_EQ(api.SnmpGetRetry(entity, &retry, nullptr), SNMPAPI_SUCCESS);
    EXPECT_EQ(policy, 250u);
    EXPECT_EQ(retry, 4u);
    smiBYTE name[] = {'t', 'o', 'l', 0x00, 'x'};
    smiOCTETS community = {5, name};
    HSNMP_CONTEXT context = api.SnmpStrToContext(session, &community);
    ASSERT_NE(context, nullptr);
    smiOCTETS back{};
    ASSERT_EQ(api.SnmpContextToStr(context, &back), SNMPAPI_SUCCESS);
    ASSERT_EQ(back.len, 5u);
    EXPECT_EQ(memcmp(back.ptr, name, 5), 0) << "communities are bytes, NULs included";
    api.SnmpFreeDescriptor(SNMP_SYNTAX_OCTETS, &back);
    EXPECT_EQ(api.SnmpFreeContext(reinterpret_cast<HSNMP_CONTEXT>(entity)), SNMPAPI_FAILURE);
    EXPECT_EQ(api.SnmpFreeEntity(entity), SNMPAPI_SUCCESS);
    EXPECT_EQ(api.SnmpFreeEntity(entity), SNMPAPI_FAILURE);
    EXPECT_EQ(api.SnmpFreeContext(context), SNMPAPI_SUCCESS);
}

TEST_F(WinSnmp, SessionsNeedANotificationTargetAndOwnTheirObjects)
{
    EXPECT_EQ(api.SnmpCreateSession(nullptr, 0, nullptr, nullptr), nullptr);
    EXPECT_EQ(api.SnmpGetLastError(nullptr), static_cast<uint32_t>(SNMPAPI_HWND_INVALID));
    HSNMP_SESSION other = api.SnmpCreateSession(nullptr, 0, Ignore, nullptr);
    HSNMP_VBL vbl = api.SnmpCreateVbl(other, nullptr, nullptr);
    ASSERT_NE(vbl, nullptr);
    ASSERT_EQ(api.SnmpClose(other), SNMPAPI_SUCCESS);
    EXPECT_EQ(api.SnmpCountVbl(vbl), SNMPAPI_FAILURE);
    EXPECT_EQ(api.SnmpGetLastError(nullptr), static_cast<uint32_t>(SNMPAPI_VBL_INVALID));
    EXPECT_EQ(api.SnmpClose(other), SNMPAPI_FAILURE);
    HSNMP_ENTITY from = nullptr;
    EXPECT_EQ(api.SnmpRecvMsg(session, &from, nullptr, nullptr, nullptr), SNMPAPI_FAILURE);
    EXPECT_EQ(LastError(), static_cast<uint32_t>(SNMPAPI_NOOP));
    EXPECT_EQ(api.SnmpCancelMsg(session, 12345), SNMPAPI_FAILURE);
}

// ---- The transport on the loopback, against sockets of the test --------------------------

namespace {

struct Notices {
    CRITICAL_SECTION lock;
    std::vector<std::pair<WPARAM, LPARAM>> items;
    HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    Notices() { InitializeCriticalSection(&lock); }
};

SNMPAPI_STATUS CALLBACK Record(HSNMP_SESSION, HWND, UINT, WPARAM wParam, LPARAM lParam, LPVOID data)
{
    Notices& n = *static_cast<Notices*>(data);
    EnterCriticalSection(&n.lock);
    n.items.emplace_back(wParam, lParam);
    LeaveCriticalSection(&n.lock);
    SetEvent(n.event);
    return SNMPAPI_SUCCESS;
}

// A UDP socket of the test on 127.0.0.1 with a free port.
struct TestSocket {
    SOCKET s = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    sockaddr_in address{};
    TestSocket()
    {
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(s, reinterpret_cast<sockaddr*>(&address), sizeof(address));
        int n = sizeof(address);
        getsockname(s, reinterpret_cast<sockaddr*>(&address), &n);
        DWORD ms = 3000;
        setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&ms), sizeof(ms));
    }
    ~TestSocket() { closesocket(s); }
    unsigned port() const { return ntohs(address.sin_port); }
    int receive(std::vector<uint8_t>& out, sockaddr_in* from = nullptr)
    {
        out.resize(65536);
        sockaddr_in peer{};
        int n = sizeof(peer);
        int got = recvfrom(s, reinterpret_cast<char*>(out.data()), 65536, 0,
                           reinterpret_cast<sockaddr*>(&peer), &n);
        if (from)
            *from = peer;
        out.resize(got > 0 ? static_cast<size_t>(got) : 0);
        return got;
    }
    void sendTo(const std::vector<uint8_t>& bytes, unsigned port)
    {
        sockaddr_in to = address;
        to.sin_port = htons(static_cast<u_short>(port));
        sendto(s, reinterpret_cast<const char*>(bytes.data()), static_cast<int>(bytes.size()), 0,
               reinterpret_cast<sockaddr*>(&to), sizeof(to));
    }
};

class Transport : public WinSnmp {
protected:
    void SetUp() override
    {
        WinSnmp::SetUp();
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
        listener = api.SnmpCreateSession(nullptr, 0, Record, &notices);
        smiOCTETS text = {1, reinterpret_cast<smiLPBYTE>(const_cast<char*>("c"))};
        context = api.SnmpStrToContext(listener, &text);
    }
    void TearDown() override
    {
        api.SnmpClose(listener);
        WSACleanup();
        WinSnmp::TearDown();
    }
    size_t waitFor(size_t count, DWORD ms)
    {
        ULONGLONG end = GetTickCount64() + ms;
        for (;;) {
            EnterCriticalSection(&notices.lock);
            size_t n = notices.items.size();
            LeaveCriticalSection(&notices.lock);
            if (n >= count || GetTickCount64() >= end)
                return n;
            WaitForSingleObject(notices.event, 50);
        }
    }
    HSNMP_ENTITY entityAt(unsigned port)
    {
        HSNMP_ENTITY e = api.SnmpStrToEntity(listener, "127.0.0.1");
        api.SnmpSetPort(e, port);
        return e;
    }
    Notices notices;
    HSNMP_SESSION listener = nullptr;
    HSNMP_CONTEXT context = nullptr;
};

// A message of `bindings` bindings: sysUpTime.0 = 5, or for many the smallest there is, 1.3 = NULL.
wsnmp::Bytes Encode(int32_t type, int32_t requestId, int32_t version = wsnmp::kVersion2c,
                    size_t bindings = 1)
{
    wsnmp::Message m;
    m.version = version;
    m.community = {'c'};
    m.pdu.type = type;
    m.pdu.requestId = requestId;
    wsnmp::VarBind vb;
    vb.name = {1, 3, 6, 1, 2, 1, 1, 3, 0};
    vb.value.syntax = 0x43;
    vb.value.number = 5;
    if (bindings > 1) {
        vb.name = {1, 3};
        vb.value = wsnmp::Value();
    }
    m.pdu.varbinds.assign(bindings, vb);
    wsnmp::Bytes out;
    wsnmp::EncodeMessage(m, out);
    return out;
}

}  // namespace

TEST_F(Transport, ASilentAgentGetsEveryRetryThenTheTimeOutNotice)
{
    TestSocket agent;
    HSNMP_ENTITY to = entityAt(agent.port());
    api.SnmpSetTimeout(to, 20);
    api.SnmpSetRetry(to, 2);
    HSNMP_PDU pdu = api.SnmpCreatePdu(listener, SNMP_PDU_GET, 0, 0, 0, nullptr);
    smiINT32 id = 0;
    api.SnmpGetPduData(pdu, nullptr, &id, nullptr, nullptr, nullptr);
    ASSERT_EQ(api.SnmpSendMsg(listener, nullptr, to, context, pdu), SNMPAPI_SUCCESS);
    std::vector<uint8_t> bytes;
    for (int attempt = 0; attempt < 3; ++attempt) {
        ASSERT_GT(agent.receive(bytes), 0) << "attempt " << attempt;
        wsnmp::Message m;
        ASSERT_TRUE(wsnmp::DecodeMessage(bytes.data(), bytes.size(), m));
        EXPECT_EQ(m.pdu.requestId, id);
        EXPECT_EQ(m.version, wsnmp::kVersion1) << "the default translate mode is untranslated v1";
    }
    ASSERT_EQ(waitFor(1, 3000), 1u);
    EXPECT_EQ(notices.items[0].first, static_cast<WPARAM>(SNMPAPI_TL_TIMEOUT));
    EXPECT_EQ(notices.items[0].second, static_cast<LPARAM>(id));
    EXPECT_EQ(waitFor(2, 500), 1u) << "one notice only";
}

TEST_F(Transport, ACancelledRequestIsNeitherRepeatedNorReported)
{
    TestSocket agent;
    HSNMP_ENTITY to = entityAt(agent.port());
    api.SnmpSetTimeout(to, 20);
    api.SnmpSetRetry(to, 3);
    HSNMP_PDU pdu = api.SnmpCreatePdu(listener, SNMP_PDU_GET, 77, 0, 0, nullptr);
    ASSERT_EQ(api.SnmpSendMsg(listener, nullptr, to, context, pdu), SNMPAPI_SUCCESS);
    std::vector<uint8_t> bytes;
    ASSERT_GT(agent.receive(bytes), 0);
    ASSERT_EQ(api.SnmpCancelMsg(listener, 77), SNMPAPI_SUCCESS);
    DWORD ms = 600;
    setsockopt(agent.s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&ms), sizeof(ms));
    EXPECT_LE(agent.receive(bytes), 0);
    EXPECT_EQ(waitFor(1, 300), 0u);
}

TEST_F(Transport, AResponseFromTheAgentIsDeliveredOnceAndStrangersAreIgnored)
{
    TestSocket agent, stranger;
    HSNMP_ENTITY to = entityAt(agent.port());
    api.SnmpSetTimeout(to, 300);
    HSNMP_PDU pdu = api.SnmpCreatePdu(listener, SNMP_PDU_GET, 4242, 0, 0, nullptr);
    ASSERT_EQ(api.SnmpSendMsg(listener, nullptr, to, context, pdu), SNMPAPI_SUCCESS);
    std::vector<uint8_t> bytes;
    sockaddr_in from{};
    ASSERT_GT(agent.receive(bytes, &from), 0);
    wsnmp::Bytes answer = Encode(SNMP_PDU_RESPONSE, 4242, wsnmp::kVersion1);
    stranger.sendTo(answer, ntohs(from.sin_port));                 // same id, wrong sender
    agent.sendTo({0x30, 0x03, 0x02, 0x01}, ntohs(from.sin_port));  // junk
    agent.sendTo(answer, ntohs(from.sin_port));
    agent.sendTo(answer, ntohs(from.sin_port));  // a duplicate matches nothing any more
    ASSERT_EQ(waitFor(1, 2000), 1u);
    EXPECT_EQ(waitFor(2, 500), 1u);
    EXPECT_EQ(notices.items[0].first, 0u);
    HSNMP_ENTITY src = nullptr, dst = nullptr;
    HSNMP_CONTEXT ctx = nullptr;
    HSNMP_PDU got = nullptr;
    ASSERT_EQ(api.SnmpRecvMsg(listener, &src, &dst, &ctx, &got), SNMPAPI_SUCCESS);
    smiINT type = 0;
    smiINT32 id = 0;
    ASSERT_EQ(api.SnmpGetPduData(got, &type, &id, nullptr, nullptr, nullptr), SNMPAPI_SUCCESS);
    EXPECT_EQ(type, SNMP_PDU_RESPONSE);
    EXPECT_EQ(id, 4242);
    char text[32];
    ASSERT_NE(api.SnmpEntityToStr(src, sizeof(text), text), SNMPAPI_FAILURE);
    EXPECT_STREQ(text, "127.0.0.1");
    EXPECT_EQ(api.SnmpRecvMsg(listener, &src, &dst, &ctx, &got), SNMPAPI_FAILURE);
}

TEST_F(Transport, InformsAreAnsweredAndNotificationsFiltered)
{
    TestSocket sender;
    TestSocket probe;  // reserves a free port for the listener
    unsigned port = probe.port();
    closesocket(probe.s);
    probe.s = INVALID_SOCKET;
    HSNMP_ENTITY local = entityAt(port);
    ASSERT_EQ(api.SnmpRegister(listener, nullptr, local, nullptr, nullptr, SNMPAPI_ON),
              SNMPAPI_SUCCESS)
        << LastError();
    // A second session on the same endpoint, only for the community "other".
    Notices otherNotices;
    HSNMP_SESSION other = api.SnmpCreateSession(nullptr, 0, Record, &otherNotices);
    smiOCTETS otherText = {5, reinterpret_cast<smiLPBYTE>(const_cast<char*>("other"))};
    HSNMP_CONTEXT otherContext = api.SnmpStrToContext(other, &otherText);
    HSNMP_ENTITY otherLocal = api.SnmpStrToEntity(other, "127.0.0.1");
    api.SnmpSetPort(otherLocal, port);
    ASSERT_EQ(api.SnmpRegister(other, nullptr, otherLocal, otherContext, nullptr, SNMPAPI_ON),
              SNMPAPI_SUCCESS);

    sender.sendTo({0xDE, 0xAD, 0xBE, 0xEF}, port);
    sender.sendTo(Encode(SNMP_PDU_GET, 5), port);  // not a notification
    sender.sendTo(Encode(SNMP_PDU_INFORM, 99), port);
    ASSERT_EQ(waitFor(1, 2000), 1u);
    std::vector<uint8_t> bytes;
    DWORD shortWait = 300;
    setsockopt(sender.s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&shortWait),
               sizeof(shortWait));
    EXPECT_LE(sender.receive(bytes), 0) << "the layer leaves the answer to the application";
    // The application answers from the endpoint the inform reached.
    HSNMP_ENTITY src = nullptr, dst = nullptr;
    HSNMP_CONTEXT ctx = nullptr;
    HSNMP_PDU got = nullptr;
    ASSERT_EQ(api.SnmpRecvMsg(listener, &src, &dst, &ctx, &got), SNMPAPI_SUCCESS);
    smiINT32 informId = 0;
    HSNMP_VBL vbl = nullptr;
    ASSERT_EQ(api.SnmpGetPduData(got, nullptr, &informId, nullptr, nullptr, &vbl), SNMPAPI_SUCCESS);
    HSNMP_PDU response = api.SnmpCreatePdu(listener, SNMP_PDU_RESPONSE, informId, 0, 0, vbl);
    ASSERT_EQ(api.SnmpSendMsg(listener, dst, src, ctx, response), SNMPAPI_SUCCESS);
    sockaddr_in from{};
    ASSERT_GT(sender.receive(bytes, &from), 0) << "the inform is answered";
    EXPECT_EQ(ntohs(from.sin_port), port);
    wsnmp::Message answer;
    ASSERT_TRUE(wsnmp::DecodeMessage(bytes.data(), bytes.size(), answer));
    EXPECT_EQ(answer.pdu.type, SNMP_PDU_RESPONSE);
    EXPECT_EQ(answer.pdu.requestId, 99);
    EXPECT_EQ(answer.pdu.varbinds.size(), 1u);
    sender.sendTo(Encode(SNMP_PDU_TRAP, 100), port);
    EXPECT_EQ(waitFor(2, 2000), 2u);
    EXPECT_EQ(waitFor(3, 300), 2u) << "junk and requests are dropped";
    EXPECT_TRUE(otherNotices.items.empty()) << "the community filter holds";

    ASSERT_EQ(api.SnmpRegister(listener, nullptr, local, nullptr, nullptr, SNMPAPI_OFF),
              SNMPAPI_SUCCESS);
    ASSERT_EQ(api.SnmpRegister(other, nullptr, nullptr, nullptr, nullptr, SNMPAPI_OFF),
              SNMPAPI_SUCCESS);
    Sleep(100);
    sender.sendTo(Encode(SNMP_PDU_TRAP, 101), port);
    EXPECT_EQ(waitFor(3, 500), 2u) << "no longer registered";
    api.SnmpClose(other);
}

TEST_F(Transport, ABusyTrapPortIsReported)
{
    TestSocket holder;
    HSNMP_ENTITY local = entityAt(holder.port());
    EXPECT_EQ(api.SnmpRegister(listener, nullptr, local, nullptr, nullptr, SNMPAPI_ON),
              SNMPAPI_FAILURE);
    EXPECT_EQ(LastError(), static_cast<uint32_t>(SNMPAPI_TL_IN_USE));
}

namespace {

// Answers every request that reaches the socket with a response of the same request id
// (of `bindings` bindings).
struct Responder {
    explicit Responder(size_t bindings = 1) : bindings(bindings)
    {
        thread = CreateThread(nullptr, 0, run, this, 0, nullptr);
    }
    TestSocket socket;
    const size_t bindings;
    volatile bool stop = false;
    HANDLE thread = nullptr;
    static DWORD WINAPI run(void* param)
    {
        auto* self = static_cast<Responder*>(param);
        DWORD ms = 100;
        setsockopt(self->socket.s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&ms),
                   sizeof(ms));
        std::vector<uint8_t> bytes;
        while (!self->stop) {
            sockaddr_in from{};
            if (self->socket.receive(bytes, &from) <= 0)
                continue;
            wsnmp::Message m;
            if (!wsnmp::DecodeMessage(bytes.data(), bytes.size(), m))
                continue;
            self->socket.sendTo(
                Encode(SNMP_PDU_RESPONSE, m.pdu.requestId, m.version, self->bindings),
                ntohs(from.sin_port));
        }
        return 0;
    }
    ~Responder()
    {
        stop = true;
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);
    }
};

struct Worker {
    unsigned port;
    int answered = 0;
    HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    HSNMP_SESSION session = nullptr;
    ~Worker() { CloseHandle(event); }
};

SNMPAPI_STATUS CALLBACK Answer(HSNMP_SESSION session, HWND, UINT, WPARAM wParam, LPARAM,
                               LPVOID data)
{
    auto* w = static_cast<Worker*>(data);
    HSNMP_ENTITY src = nullptr, dst = nullptr;
    HSNMP_CONTEXT ctx = nullptr;
    HSNMP_PDU pdu = nullptr;
    if (wParam == 0 && api.SnmpRecvMsg(session, &src, &dst, &ctx, &pdu)) {
        ++w->answered;
        api.SnmpFreeEntity(src);
        api.SnmpFreeEntity(dst);
        api.SnmpFreeContext(ctx);
        api.SnmpFreePdu(pdu);
    }
    SetEvent(w->event);
    return SNMPAPI_SUCCESS;
}

DWORD WINAPI RunWorker(void* param)
{
    auto* w = static_cast<Worker*>(param);
    w->session = api.SnmpCreateSession(nullptr, 0, Answer, w);
    HSNMP_ENTITY to = api.SnmpStrToEntity(w->session, "127.0.0.1");
    api.SnmpSetPort(to, w->port);
    api.SnmpSetTimeout(to, 300);
    smiOCTETS text = {1, reinterpret_cast<smiLPBYTE>(const_cast<char*>("c"))};
    HSNMP_CONTEXT context = api.SnmpStrToContext(w->session, &text);
    for (int i = 0; i < 20; ++i) {
        HSNMP_PDU pdu = api.SnmpCreatePdu(w->session, SNMP_PDU_GET, 0, 0, 0, nullptr);
        if (api.SnmpSendMsg(w->session, nullptr, to, context, pdu) == SNMPAPI_SUCCESS)
            WaitForSingleObject(w->event, 5000);
        api.SnmpFreePdu(pdu);
    }
    // Closing frees what the session still owns (the entity and the context).
    api.SnmpClose(w->session);
    return 0;
}

}  // namespace

TEST_F(Transport, ManySessionsOnManyThreadsGetTheirOwnAnswers)
{
    Responder responder;
    const int kThreads = 16;
    std::vector<Worker> workers(kThreads);
    std::vector<HANDLE> threads;
    for (Worker& w : workers) {
        w.port = responder.socket.port();
        threads.push_back(CreateThread(nullptr, 0, RunWorker, &w, 0, nullptr));
    }
    ASSERT_EQ(WaitForMultipleObjects(kThreads, threads.data(), TRUE, 60000), WAIT_OBJECT_0);
    for (HANDLE t : threads)
        CloseHandle(t);
    for (const Worker& w : workers)
        EXPECT_EQ(w.answered, 20);
}

TEST_F(Transport, AnAnswerThatTheInboxCannotHoldEndsItsRequestWithATimeOutNotice)
{
    // Answers of 9,000 bindings (63 KB) each: a session that receives none of them has room
    // for a few only.
    Responder responder(9000);
    HSNMP_ENTITY to = entityAt(responder.socket.port());
    api.SnmpSetTimeout(to, 6000);  // one minute: every notice below comes long before
    api.SnmpSetRetry(to, 0);
    const int kRequests = 12;
    for (int i = 0; i < kRequests;
         ++i) {  // one at a time: the socket's buffer holds few such answers
        HSNMP_PDU pdu = api.SnmpCreatePdu(listener, SNMP_PDU_GET, 500 + i, 0, 0, nullptr);
        ASSERT_EQ(api.SnmpSendMsg(listener, nullptr, to, context, pdu), SNMPAPI_SUCCESS);
        api.SnmpFreePdu(pdu);
        ASSERT_EQ(waitFor(i + 1, 10000), static_cast<size_t>(i + 1));
    }
    EXPECT_EQ(waitFor(kRequests + 1, 300), static_cast<size_t>(kRequests))
        << "one notice per request";
    std::vector<LPARAM> ids;
    size_t kept = 0;
    for (const auto& notice : notices.items) {
        ids.push_back(notice.second);
        if (notice.first == 0)
            ++kept;
        else
            EXPECT_EQ(notice.first, static_cast<WPARAM>(SNMPAPI_TL_TIMEOUT));
    }
    std::sort(ids.begin(), ids.end());
    for (int i = 0; i < kRequests; ++i)
        EXPECT_EQ(ids[i], 500 + i);
    EXPECT_GT(kept, 0u);
    EXPECT_LT(kept, static_cast<size_t>(kRequests)) << "the inbox is bounded in bytes";
    HSNMP_ENTITY src = nullptr, dst = nullptr;
    HSNMP_CONTEXT ctx = nullptr;
    HSNMP_PDU got = nullptr;
    for (size_t i = 0; i < kept; ++i)
        ASSERT_EQ(api.SnmpRecvMsg(listener, &src, &dst, &ctx, &got), SNMPAPI_SUCCESS)
            << "kept answers wait";
    EXPECT_EQ(api.SnmpRecvMsg(listener, &src, &dst, &ctx, &got), SNMPAPI_FAILURE);
}
