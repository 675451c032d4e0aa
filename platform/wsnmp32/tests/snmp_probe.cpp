// snmp_probe: drives wsnmp32.dll the way the product does (loaded by name from beside the
// program, entry points found with GetProcAddress) and prints what it gets.
//
//   snmp_probe get|next|walk <host> <port> <1|2> <community> <timeout cs> <retries> <oids;...>
//   snmp_probe bench <host> <port> <1|2> <community> <oid> <count>
//   snmp_probe listen <port|default> <count> <seconds>
//   snmp_probe flood <listen host> <listen port> <silent host> <silent port> <seconds>
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "winsnmp_api.h"

namespace {

struct Api {
#define WSNMP32_POINTER(ret, name, args) PFN_##name name = nullptr;
    WSNMP32_FUNCTIONS(WSNMP32_POINTER)
#undef WSNMP32_POINTER
};

Api api;

bool BindApi()
{
    HMODULE module = LoadLibraryA("wsnmp32.dll");
    if (!module)
        return false;
    bool ok = true;
#define WSNMP32_BIND(ret, name, args)                                                         \
    api.name =                                                                                \
        reinterpret_cast<PFN_##name>(reinterpret_cast<void*>(GetProcAddress(module, #name))); \
    if (!api.name) {                                                                          \
        printf("MISSING %s\n", #name);                                                        \
        ok = false;                                                                           \
    }
    WSNMP32_FUNCTIONS(WSNMP32_BIND)
#undef WSNMP32_BIND
    return ok;
}

std::string OidText(const smiOID& oid)
{
    char text[MAXOBJIDSTRSIZE + 1];
    if (!api.SnmpOidToStr(&oid, sizeof(text), text))
        return "?";
    return std::string(".") + text;
}

std::string Hex(const smiOCTETS& s)
{
    std::string out;
    char part[4];
    for (smiUINT32 i = 0; i < s.len; ++i) {
        snprintf(part, sizeof(part), i ? " %02X" : "%02X", s.ptr[i]);
        out += part;
    }
    return out;
}

std::string ValueText(const smiVALUE& v)
{
    char buf[64];
    switch (v.syntax) {
    case SNMP_SYNTAX_INT:
        snprintf(buf, sizeof(buf), "INTEGER %ld", static_cast<long>(v.value.sNumber));
        return buf;
    case SNMP_SYNTAX_OCTETS:
        return "OCTETS " + Hex(v.value.string);
    case SNMP_SYNTAX_BITS:
        return "BITS " + Hex(v.value.string);
    case SNMP_SYNTAX_OPAQUE:
        return "OPAQUE " + Hex(v.value.string);
    case SNMP_SYNTAX_NSAPADDR:
        return "NSAPADDR " + Hex(v.value.string);
    case SNMP_SYNTAX_NULL:
        return "NULL";
    case SNMP_SYNTAX_OID:
        return "OID " + OidText(v.value.oid);
    case SNMP_SYNTAX_IPADDR: {
        std::string out = "IPADDR ";
        for (smiUINT32 i = 0; i < v.value.string.len; ++i)
            out += (i ? "." : "") + std::to_string(v.value.string.ptr[i]);
        return out;
    }
    case SNMP_SYNTAX_CNTR32:
        return "COUNTER32 " + std::to_string(v.value.uNumber);
    case SNMP_SYNTAX_GAUGE32:
        return "GAUGE32 " + std::to_string(v.value.uNumber);
    case SNMP_SYNTAX_TIMETICKS:
        return "TIMETICKS " + std::to_string(v.value.uNumber);
    case SNMP_SYNTAX_UINT32:
        return "UINT32 " + std::to_string(v.value.uNumber);
    case SNMP_SYNTAX_CNTR64:
        return "COUNTER64 " +
               std::to_string((static_cast<unsigned long long>(v.value.hNumber.hipart) << 32) |
                              v.value.hNumber.lopart);
    case SNMP_SYNTAX_NOSUCHOBJECT:
        return "NOSUCHOBJECT";
    case SNMP_SYNTAX_NOSUCHINSTANCE:
        return "NOSUCHINSTANCE";
    case SNMP_SYNTAX_ENDOFMIBVIEW:
        return "ENDOFMIBVIEW";
    default:
        return "UNKNOWN";
    }
}

struct Binding {
    std::vector<smiUINT32> name;
    std::string line;
    smiUINT32 syntax;
};

// Reads every binding of a received PDU's list and frees the list and the descriptors.
std::vector<Binding> ReadBindings(HSNMP_VBL vbl)
{
    std::vector<Binding> out;
    smiUINT32 count = api.SnmpCountVbl(vbl);
    for (smiUINT32 i = 1; i <= count; ++i) {
        smiOID name{};
        smiVALUE value{};
        if (!api.SnmpGetVb(vbl, i, &name, &value))
            break;
        Binding b;
        b.name.assign(name.ptr, name.ptr + name.len);
        b.line = OidText(name) + " = " + ValueText(value);
        b.syntax = value.syntax;
        out.push_back(b);
        api.SnmpFreeDescriptor(SNMP_SYNTAX_OID, reinterpret_cast<smiLPOPAQUE>(&name));
        switch (value.syntax) {
        case SNMP_SYNTAX_OCTETS:
        case SNMP_SYNTAX_BITS:
        case SNMP_SYNTAX_OPAQUE:
        case SNMP_SYNTAX_NSAPADDR:
        case SNMP_SYNTAX_IPADDR:
            api.SnmpFreeDescriptor(value.syntax, &value.value.string);
            break;
        case SNMP_SYNTAX_OID:
            api.SnmpFreeDescriptor(SNMP_SYNTAX_OID,
                                   reinterpret_cast<smiLPOPAQUE>(&value.value.oid));
            break;
        default:
            break;
        }
    }
    api.SnmpFreeVbl(vbl);
    return out;
}

std::string EntityText(HSNMP_ENTITY entity)
{
    char text[64];
    return api.SnmpEntityToStr(entity, sizeof(text), text) ? text : "-";
}

std::string ContextText(HSNMP_CONTEXT context)
{
    smiOCTETS octets{};
    if (!api.SnmpContextToStr(context, &octets))
        return "-";
    std::string out(reinterpret_cast<char*>(octets.ptr), octets.len);
    api.SnmpFreeDescriptor(SNMP_SYNTAX_OCTETS, &octets);
    return out;
}

// What the notification callback hands to the main thread.
struct Outcome {
    HANDLE done = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    bool timedOut = false;
    smiINT type = 0;
    smiINT errorStatus = 0;
    smiINT errorIndex = 0;
    std::vector<Binding> bindings;
    std::string text;  // listener: the lines of one notification
    CRITICAL_SECTION lock;
    std::vector<std::string> received;
    Outcome() { InitializeCriticalSection(&lock); }
};

SNMPAPI_STATUS CALLBACK RequestCallback(HSNMP_SESSION session, HWND, UINT, WPARAM wParam, LPARAM,
                                        LPVOID data)
{
    Outcome& outcome = *static_cast<Outcome*>(data);
    if (wParam == SNMPAPI_TL_TIMEOUT) {
        outcome.timedOut = true;
    } else if (wParam == 0) {
        HSNMP_ENTITY src = nullptr, dst = nullptr;
        HSNMP_CONTEXT context = nullptr;
        HSNMP_PDU pdu = nullptr;
        if (!api.SnmpRecvMsg(session, &src, &dst, &context, &pdu))
            return SNMPAPI_SUCCESS;
        smiINT32 requestId = 0;
        HSNMP_VBL vbl = nullptr;
        if (api.SnmpGetPduData(pdu, &outcome.type, &requestId, &outcome.errorStatus,
                               &outcome.errorIndex, &vbl))
            outcome.bindings = ReadBindings(vbl);
        api.SnmpFreeEntity(src);
        api.SnmpFreeEntity(dst);
        api.SnmpFreeContext(context);
        api.SnmpFreePdu(pdu);
    }
    SetEvent(outcome.done);
    return SNMPAPI_SUCCESS;
}

struct Target {
    const char* host;
    unsigned port;
    int version;
    const char* community;
    unsigned timeout;
    unsigned retries;
};

// One request; false when it could not be sent or timed out.
bool Request(HSNMP_SESSION session, Outcome& outcome, const Target& t, smiINT type,
             const std::vector<std::string>& oids)
{
    api.SnmpSetTranslateMode(t.version == 1 ? SNMPAPI_UNTRANSLATED_V1 : SNMPAPI_UNTRANSLATED_V2);
    HSNMP_ENTITY entity = api.SnmpStrToEntity(session, t.host);
    smiOCTETS community{static_cast<smiUINT32>(strlen(t.community)),
                        reinterpret_cast<smiLPBYTE>(const_cast<char*>(t.community))};
    HSNMP_CONTEXT context = api.SnmpStrToContext(session, &community);
    if (!entity || !context) {
        printf("SETUP FAILED %lu\n", static_cast<unsigned long>(api.SnmpGetLastError(session)));
        return false;
    }
    api.SnmpSetPort(entity, t.port);
    api.SnmpSetTimeout(entity, t.timeout);
    api.SnmpSetRetry(entity, t.retries);
    HSNMP_VBL vbl = api.SnmpCreateVbl(session, nullptr, nullptr);
    for (const std::string& text : oids) {
        smiOID oid{};
        if (!api.SnmpStrToOid(text.c_str(), &oid)) {
            printf("BAD OID %s\n", text.c_str());
            return false;
        }
        api.SnmpSetVb(vbl, 0, &oid, nullptr);
        api.SnmpFreeDescriptor(SNMP_SYNTAX_OID, reinterpret_cast<smiLPOPAQUE>(&oid));
    }
    HSNMP_PDU pdu = api.SnmpCreatePdu(session, type, 0, 0, 0, vbl);
    outcome.timedOut = false;
    outcome.bindings.clear();
    bool sent = api.SnmpSendMsg(session, nullptr, entity, context, pdu) == SNMPAPI_SUCCESS;
    if (!sent)
        printf("SEND FAILED %lu\n", static_cast<unsigned long>(api.SnmpGetLastError(session)));
    DWORD limit = (t.retries + 1) * t.timeout * 10 + 10000;
    bool answered =
        sent && WaitForSingleObject(outcome.done, limit) == WAIT_OBJECT_0 && !outcome.timedOut;
    if (sent && outcome.timedOut)
        printf("TIMEOUT\n");
    api.SnmpFreePdu(pdu);
    api.SnmpFreeVbl(vbl);
    api.SnmpFreeContext(context);
    api.SnmpFreeEntity(entity);
    return answered;
}

std::vector<std::string> Split(const char* text)
{
    std::vector<std::string> out;
    std::string part;
    for (const char* p = text;; ++p) {
        if (*p == ';' || !*p) {
            if (!part.empty())
                out.push_back(part);
            part.clear();
            if (!*p)
                break;
        } else {
            part += *p;
        }
    }
    return out;
}

void PrintResponse(const Outcome& outcome)
{
    printf("RESPONSE %d %d\n", static_cast<int>(outcome.errorStatus),
           static_cast<int>(outcome.errorIndex));
    for (const Binding& b : outcome.bindings)
        printf("%s\n", b.line.c_str());
}

int RunRequests(const char* mode, const Target& t, const char* oidText)
{
    Outcome outcome;
    HSNMP_SESSION session = api.SnmpCreateSession(nullptr, 0, RequestCallback, &outcome);
    if (!session)
        return 3;
    std::vector<std::string> oids = Split(oidText);
    int rc = 0;
    if (!strcmp(mode, "walk")) {
        smiOID root{};
        api.SnmpStrToOid(oids.empty() ? "" : oids[0].c_str(), &root);
        std::vector<smiUINT32> rootParts(root.ptr, root.ptr + root.len);
        api.SnmpFreeDescriptor(SNMP_SYNTAX_OID, reinterpret_cast<smiLPOPAQUE>(&root));
        std::string current = oids.empty() ? "" : oids[0];
        LARGE_INTEGER frequency, start, end;
        QueryPerformanceFrequency(&frequency);
        QueryPerformanceCounter(&start);
        int rows = 0;
        for (int request = 0; request < 100000; ++request) {
            if (!Request(session, outcome, t, SNMP_PDU_GETNEXT, {current})) {
                rc = 1;
                break;
            }
            if (outcome.errorStatus || outcome.bindings.empty())
                break;
            const Binding& b = outcome.bindings[0];
            bool inside = b.name.size() > rootParts.size() &&
                          std::equal(rootParts.begin(), rootParts.end(), b.name.begin());
            if (!inside || b.syntax == SNMP_SYNTAX_ENDOFMIBVIEW)
                break;
            printf("%s\n", b.line.c_str());
            ++rows;
            current.clear();
            for (size_t i = 0; i < b.name.size(); ++i)
                current += (i ? "." : "") + std::to_string(b.name[i]);
        }
        QueryPerformanceCounter(&end);
        printf("WALK END %d %.3f\n", rows,
               1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) /
                   static_cast<double>(frequency.QuadPart));
    } else {
        smiINT type = !strcmp(mode, "next") ? SNMP_PDU_GETNEXT : SNMP_PDU_GET;
        if (Request(session, outcome, t, type, oids))
            PrintResponse(outcome);
        else
            rc = 1;
    }
    api.SnmpClose(session);
    return rc;
}

int RunBench(const Target& t, const char* oid, int count)
{
    Outcome outcome;
    HSNMP_SESSION session = api.SnmpCreateSession(nullptr, 0, RequestCallback, &outcome);
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    int good = 0;
    for (int i = 0; i < count; ++i)
        if (Request(session, outcome, t, SNMP_PDU_GET, {oid}))
            ++good;
    QueryPerformanceCounter(&end);
    double ms = 1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) /
                static_cast<double>(frequency.QuadPart);
    printf("BENCH %d %d %.3f\n", count, good, ms);
    api.SnmpClose(session);
    return good == count ? 0 : 1;
}

SNMPAPI_STATUS CALLBACK ListenCallback(HSNMP_SESSION session, HWND, UINT, WPARAM wParam, LPARAM,
                                       LPVOID data)
{
    Outcome& outcome = *static_cast<Outcome*>(data);
    if (wParam != 0)
        return SNMPAPI_SUCCESS;
    HSNMP_ENTITY src = nullptr, dst = nullptr;
    HSNMP_CONTEXT context = nullptr;
    HSNMP_PDU pdu = nullptr;
    if (!api.SnmpRecvMsg(session, &src, &dst, &context, &pdu))
        return SNMPAPI_SUCCESS;
    smiINT type = 0, status = 0, index = 0;
    smiINT32 requestId = 0;
    HSNMP_VBL vbl = nullptr;
    std::string text;
    if (api.SnmpGetPduData(pdu, &type, &requestId, &status, &index, &vbl)) {
        if (type == SNMP_PDU_INFORM) {
            // The application answers: same request id and bindings, from where it arrived.
            HSNMP_PDU answer = api.SnmpCreatePdu(session, SNMP_PDU_RESPONSE, requestId, 0, 0, vbl);
            api.SnmpSendMsg(session, dst, src, context, answer);
            api.SnmpFreePdu(answer);
        }
        text = std::string("NOTIFY ") +
               (type == SNMP_PDU_INFORM ? "INFORM"
                : type == SNMP_PDU_TRAP ? "TRAP"
                                        : "OTHER") +
               " from=" + EntityText(src) + " community=" + ContextText(context) + "\n";
        for (const Binding& b : ReadBindings(vbl))
            text += b.line + "\n";
        text += "END\n";
    }
    api.SnmpFreeEntity(src);
    api.SnmpFreeEntity(dst);
    api.SnmpFreeContext(context);
    api.SnmpFreePdu(pdu);
    EnterCriticalSection(&outcome.lock);
    outcome.received.push_back(text);
    LeaveCriticalSection(&outcome.lock);
    SetEvent(outcome.done);
    return SNMPAPI_SUCCESS;
}

int RunListen(const char* port, int count, int seconds)
{
    Outcome outcome;
    HSNMP_SESSION session = api.SnmpCreateSession(nullptr, 0, ListenCallback, &outcome);
    HSNMP_ENTITY local = nullptr;
    if (strcmp(port, "default") != 0) {
        local = api.SnmpStrToEntity(session, "127.0.0.1");
        api.SnmpSetPort(local, static_cast<UINT>(atoi(port)));
    }
    if (!api.SnmpRegister(session, nullptr, local, nullptr, nullptr, SNMPAPI_ON)) {
        printf("REGISTER FAILED %lu\n", static_cast<unsigned long>(api.SnmpGetLastError(session)));
        return 2;
    }
    printf("LISTENING\n");
    fflush(stdout);
    ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(seconds) * 1000;
    size_t printed = 0;
    while (printed < static_cast<size_t>(count) && GetTickCount64() < end) {
        WaitForSingleObject(outcome.done, 100);
        EnterCriticalSection(&outcome.lock);
        for (; printed < outcome.received.size(); ++printed)
            printf("%s", outcome.received[printed].c_str());
        LeaveCriticalSection(&outcome.lock);
        fflush(stdout);
    }
    // Give a repeated notification the chance to show before leaving.
    Sleep(1500);
    EnterCriticalSection(&outcome.lock);
    for (; printed < outcome.received.size(); ++printed)
        printf("%s", outcome.received[printed].c_str());
    LeaveCriticalSection(&outcome.lock);
    bool unregistered =
        api.SnmpRegister(session, nullptr, local, nullptr, nullptr, SNMPAPI_OFF) == SNMPAPI_SUCCESS;
    printf("DONE %u %s\n", static_cast<unsigned>(printed),
           unregistered ? "unregistered" : "unregister-failed");
    api.SnmpClose(session);
    return 0;
}

struct FloodCounts {
    volatile LONG notices = 0;
    volatile LONG timeouts = 0;
};

// Counts what the session is told and never receives a message.
SNMPAPI_STATUS CALLBACK CountOnly(HSNMP_SESSION, HWND, UINT, WPARAM wParam, LPARAM, LPVOID data)
{
    auto* counts = static_cast<FloodCounts*>(data);
    InterlockedIncrement(wParam == 0 ? &counts->notices : &counts->timeouts);
    return SNMPAPI_SUCCESS;
}

// A listener whose callback does not receive what arrives, while requests to a silent agent
// go out every 100 ms until 3 s before the end (each 0.2 s, repeated once).
int RunFlood(const char* listenHost, const char* listenPort, const char* silentHost,
             const char* silentPort, int seconds)
{
    FloodCounts heard, asked;
    HSNMP_SESSION listener = api.SnmpCreateSession(nullptr, 0, CountOnly, &heard);
    HSNMP_ENTITY local = api.SnmpStrToEntity(listener, listenHost);
    api.SnmpSetPort(local, static_cast<UINT>(atoi(listenPort)));
    if (!api.SnmpRegister(listener, nullptr, local, nullptr, nullptr, SNMPAPI_ON)) {
        printf("REGISTER FAILED %lu\n", static_cast<unsigned long>(api.SnmpGetLastError(listener)));
        return 2;
    }
    printf("LISTENING\n");
    fflush(stdout);
    api.SnmpSetTranslateMode(SNMPAPI_UNTRANSLATED_V2);
    HSNMP_SESSION requester = api.SnmpCreateSession(nullptr, 0, CountOnly, &asked);
    HSNMP_ENTITY silent = api.SnmpStrToEntity(requester, silentHost);
    api.SnmpSetPort(silent, static_cast<UINT>(atoi(silentPort)));
    api.SnmpSetTimeout(silent, 20);
    api.SnmpSetRetry(silent, 1);
    smiOCTETS text = {7, reinterpret_cast<smiLPBYTE>(const_cast<char*>("tolvane"))};
    HSNMP_CONTEXT context = api.SnmpStrToContext(requester, &text);
    const ULONGLONG end = GetTickCount64() + 1000ull * static_cast<unsigned>(seconds);
    int requests = 0;
    while (GetTickCount64() + 3000 < end) {
        HSNMP_PDU pdu = api.SnmpCreatePdu(requester, SNMP_PDU_GET, 0, 0, 0, nullptr);
        if (api.SnmpSendMsg(requester, nullptr, silent, context, pdu) == SNMPAPI_SUCCESS)
            ++requests;
        api.SnmpFreePdu(pdu);
        Sleep(100);
    }
    while (GetTickCount64() < end)
        Sleep(50);
    PROCESS_MEMORY_COUNTERS_EX memory{};
    memory.cb = sizeof(memory);
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory),
                         sizeof(memory));
    printf("FLOOD notices=%ld requests=%d timeouts=%ld private=%lu peak=%lu\n", heard.notices,
           requests, asked.timeouts, static_cast<unsigned long>(memory.PrivateUsage),
           static_cast<unsigned long>(memory.PeakPagefileUsage));
    api.SnmpClose(requester);
    api.SnmpClose(listener);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    setvbuf(stdout, nullptr, _IOFBF, 1 << 16);
    if (!BindApi()) {
        printf("BIND FAILED\n");
        return 4;
    }
    smiUINT32 major = 0, minor = 0, level = 0, translate = 0, retransmit = 0;
    if (api.SnmpStartup(&major, &minor, &level, &translate, &retransmit) != SNMPAPI_SUCCESS) {
        printf("STARTUP FAILED\n");
        return 4;
    }
    int rc = 2;
    std::string mode = argc > 1 ? argv[1] : "";
    if ((mode == "get" || mode == "next" || mode == "walk") && argc == 9) {
        Target t{
            argv[2], static_cast<unsigned>(atoi(argv[3])), atoi(argv[4]),
            argv[5], static_cast<unsigned>(atoi(argv[6])), static_cast<unsigned>(atoi(argv[7]))};
        rc = RunRequests(argv[1], t, argv[8]);
    } else if (mode == "bench" && argc == 8) {
        Target t{argv[2], static_cast<unsigned>(atoi(argv[3])), atoi(argv[4]), argv[5], 200, 1};
        rc = RunBench(t, argv[6], atoi(argv[7]));
    } else if (mode == "listen" && argc == 5) {
        rc = RunListen(argv[2], atoi(argv[3]), atoi(argv[4]));
    } else if (mode == "flood" && argc == 7) {
        rc = RunFlood(argv[2], argv[3], argv[4], argv[5], atoi(argv[6]));
    } else {
        printf("usage: snmp_probe get|next|walk|bench|listen|flood ...\n");
    }
    printf(api.SnmpCleanup() == SNMPAPI_SUCCESS ? "CLEANUP OK\n" : "CLEANUP FAILED\n");
    fflush(stdout);
    return rc;
}
