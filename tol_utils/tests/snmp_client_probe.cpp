// snmp_client_probe: drives CSNMPmon of tol_utils.dll as the plug-ins do and prints what the
// client leaves in its members, one JSON object per line (records as hexadecimal bytes).
//
//   snmp_client_probe request <host> <port> <community> <oids> <timeout s> <retries> <version>
//                             <limits> <get|next> <wait ms>
//   snmp_client_probe walk <host> <port> <community> <root> <version> [quiet]
//   snmp_client_probe listen <packages> <seconds>
//   snmp_client_probe expire <host> <port> <requests> <threads>
//
// A text argument of "-" stands for none (a null pointer). The probe binds the API with
// init_snmp_lib and starts it, as tol_snmp does, and cleans it up at the end.
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "snmp_lib.h"
#include "snmp_mon.h"

namespace {

const char* Arg(const char* text)
{
    return strcmp(text, "-") == 0 ? nullptr : text;
}

std::string Json(const char* text)
{
    if (!text)
        return "null";
    std::string out = "\"";
    char escape[8];
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p) {
        if (*p == '"' || *p == '\\') {
            out += '\\';
            out += static_cast<char>(*p);
        } else if (*p < 0x20 || *p >= 0x7F) {
            snprintf(escape, sizeof(escape), "\\u%04x", *p);
            out += escape;
        } else {
            out += static_cast<char>(*p);
        }
    }
    return out + "\"";
}

std::string Hex(CMonResult2* record)
{
    if (!record)
        return "null";
    std::string out = "\"";
    char part[3];
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(record->get_pointer());
    for (unsigned i = 0; i < record->get_size(); ++i) {
        snprintf(part, sizeof(part), "%02x", bytes[i]);
        out += part;
    }
    return out + "\"";
}

std::string Members(CSNMPmon& client)
{
    std::string out = "\"error\":" + Json(client.m_Error) +
                      ",\"elapsed\":" + std::to_string(client.m_Elapsed) +
                      ",\"source\":" + Json(client.m_SourceAddress) +
                      ",\"context\":" + Json(client.m_ContextText) +
                      ",\"count\":" + std::to_string(client.m_OidCount) + ",\"entries\":[";
    for (unsigned i = 0; client.m_OidNames && i < client.m_OidCount; ++i) {
        out += i ? "," : "";
        out += "{\"name\":" + Json(client.m_OidNames[i]) +
               ",\"syntax\":" + std::to_string(client.m_Syntax[i]) +
               ",\"value\":" + Json(client.m_Values[i]) +
               ",\"status\":" + std::to_string(client.m_Status[i]) +
               ",\"record\":" + Hex(client.m_Results[i]) + "}";
    }
    return out + "]";
}

int RunRequest(char** argv)
{
    CSNMPmon client(false);
    bool init = client.InitInst(
        Arg(argv[0]), static_cast<unsigned>(atoi(argv[1])), const_cast<char*>(Arg(argv[2])),
        Arg(argv[3]), static_cast<unsigned>(atoi(argv[4])), static_cast<unsigned>(atoi(argv[5])),
        atoi(argv[6]), const_cast<char*>(Arg(argv[7])), strcmp(argv[8], "next") == 0);
    bool sent = init && client.SendRequest();
    bool waited = sent && client.wait(strtoul(argv[9], nullptr, 10));
    printf("{\"init\":%s,\"send\":%s,\"wait\":%s,%s}\n", init ? "true" : "false",
           sent ? "true" : "false", waited ? "true" : "false", Members(client).c_str());
    return 0;
}

double Milliseconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) /
           static_cast<double>(frequency.QuadPart);
}

// A GETNEXT walk of a subtree, one client object per step as the plug-ins walk.
int RunWalk(char** argv, bool quiet)
{
    const char* host = argv[0];
    unsigned port = static_cast<unsigned>(atoi(argv[1]));
    const std::string root = argv[3];
    const int version = atoi(argv[4]);
    std::vector<std::string> rows;
    std::string current = root;
    std::string failure;
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    for (;;) {
        CSNMPmon client(false);
        if (!client.InitInst(host, port, argv[2], current.c_str(), 10, 1, version, nullptr, true) ||
            !client.SendRequest() || !client.wait(10000) || client.m_Error) {
            failure = client.m_Error ? client.m_Error : "failed";
            break;
        }
        const char* name = client.m_OidNames[0];
        if (!name || strncmp(name, root.c_str(), root.size()) != 0 || name[root.size()] != '.' ||
            client.m_Syntax[0] == 19)
            break;
        if (!quiet)
            rows.push_back("{\"name\":" + Json(name) +
                           ",\"syntax\":" + std::to_string(client.m_Syntax[0]) +
                           ",\"value\":" + Json(client.m_Values[0]) + "}");
        else
            rows.emplace_back();
        current = name;
    }
    QueryPerformanceCounter(&end);
    for (const std::string& row : rows)
        if (!row.empty())
            printf("%s\n", row.c_str());
    printf("{\"walk_end\":%u,\"requests\":%u,\"ms\":%.3f,\"error\":%s}\n",
           static_cast<unsigned>(rows.size()), static_cast<unsigned>(rows.size() + 1),
           Milliseconds(start, end), failure.empty() ? "null" : Json(failure.c_str()).c_str());
    return failure.empty() ? 0 : 1;
}

// A trap and inform listener as tol_snmp runs it: wait, take the packages, print them.
int RunListen(char** argv)
{
    const unsigned wanted = static_cast<unsigned>(atoi(argv[0]));
    const ULONGLONG end = GetTickCount64() + 1000ull * static_cast<unsigned>(atoi(argv[1]));
    CSNMPmon listener(true);
    bool init = listener.InitInst(nullptr, 0, nullptr, nullptr, 0, 0, 2, nullptr, false);
    listener.m_TestId = 7;
    listener.m_LocationId = 9;
    bool registered = init && listener.RegisterTrap(true);
    printf("{\"listening\":%s,\"error\":%s}\n", registered ? "true" : "false",
           Json(listener.m_Error).c_str());
    fflush(stdout);
    unsigned taken = 0;
    while (registered && taken < wanted && GetTickCount64() < end) {
        // The owner waits without a limit; a short one here lets the probe give up.
        if (WaitForSingleObject(listener.m_Event, 100) != WAIT_OBJECT_0 || !listener.wait(0))
            continue;
        EnterCriticalSection(&listener.m_PackageLock);
        for (CMonResult2* package : listener.m_Packages) {
            printf("{\"package\":%s}\n", Hex(package).c_str());
            listener.DeleteResult(package);
            ++taken;
        }
        listener.m_Packages.clear();
        LeaveCriticalSection(&listener.m_PackageLock);
        fflush(stdout);
    }
    // A repeated inform would show up now.
    Sleep(1500);
    EnterCriticalSection(&listener.m_PackageLock);
    unsigned late = static_cast<unsigned>(listener.m_Packages.size());
    LeaveCriticalSection(&listener.m_PackageLock);
    listener.cancelRequest();
    bool unregistered = registered && listener.RegisterTrap(false);
    printf("{\"taken\":%u,\"late\":%u,\"unregistered\":%s,\"again\":%s}\n", taken, late,
           unregistered ? "true" : "false", listener.RegisterTrap(true) ? "true" : "false");
    return 0;
}

struct ExpireJob {
    const char* host;
    unsigned port;
    unsigned requests;
    unsigned index;
    unsigned ownerFirst = 0;  // the wait ran out before the API's notice
    unsigned apiFirst = 0;    // the API's time-out notice came first
    unsigned other = 0;
};

// Requests to a silent agent, each destroyed right after its time-out; the waits end just
// before, at and just after the API's own time-out so that its notice races the destruction.
DWORD WINAPI ExpireRequests(void* param)
{
    auto* job = static_cast<ExpireJob*>(param);
    for (unsigned i = 0; i < job->requests; ++i) {
        CSNMPmon client(false);
        if (!client.InitInst(job->host, job->port, const_cast<char*>("tolvane"),
                             "1.3.6.1.2.1.1.1.0", 1, 0, 2, nullptr, false) ||
            !client.SendRequest()) {
            ++job->other;
            continue;
        }
        unsigned long ms = 985 + (job->index * 7 + i * 13) % 31;
        bool came = client.wait(ms);
        bool timedOut = client.m_Error && strcmp(client.m_Error, "Request timed out") == 0;
        if (!timedOut)
            ++job->other;
        else if (came)
            ++job->apiFirst;
        else
            ++job->ownerFirst;
    }
    return 0;
}

SIZE_T PrivateBytes()
{
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof(counters);
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                         sizeof(counters));
    return counters.PrivateUsage;
}

DWORD HandleCount()
{
    DWORD count = 0;
    GetProcessHandleCount(GetCurrentProcess(), &count);
    return count;
}

int RunExpire(char** argv)
{
    const unsigned requests = static_cast<unsigned>(atoi(argv[2]));
    const unsigned threadCount = static_cast<unsigned>(atoi(argv[3]));
    std::vector<ExpireJob> jobs(threadCount);
    std::vector<HANDLE> threads;
    DWORD handlesBefore = HandleCount();
    SIZE_T bytesBefore = PrivateBytes();
    for (unsigned t = 0; t < threadCount; ++t) {
        jobs[t].host = argv[0];
        jobs[t].port = static_cast<unsigned>(atoi(argv[1]));
        jobs[t].requests = requests / threadCount + (t < requests % threadCount ? 1 : 0);
        jobs[t].index = t;
        threads.push_back(CreateThread(nullptr, 0, ExpireRequests, &jobs[t], 0, nullptr));
    }
    for (HANDLE thread : threads) {
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);
    }
    Sleep(500);  // late notices of the last requests
    unsigned ownerFirst = 0, apiFirst = 0, other = 0;
    for (const ExpireJob& job : jobs) {
        ownerFirst += job.ownerFirst;
        apiFirst += job.apiFirst;
        other += job.other;
    }
    printf(
        "{\"owner_first\":%u,\"api_first\":%u,\"other\":%u,\"handles_before\":%lu,\"handles_"
        "after\":%lu,"
        "\"private_before\":%lu,\"private_after\":%lu}\n",
        ownerFirst, apiFirst, other, handlesBefore, HandleCount(),
        static_cast<unsigned long>(bytesBefore), static_cast<unsigned long>(PrivateBytes()));
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    setvbuf(stdout, nullptr, _IOFBF, 1 << 16);
    int bound = init_snmp_lib();
    bool started =
        bound && libpo_SnmpStartup(nullptr, nullptr, nullptr, nullptr, nullptr) == SNMPAPI_SUCCESS;
    printf("{\"bound\":%d,\"started\":%s}\n", bound, started ? "true" : "false");
    std::string mode = argc > 1 ? argv[1] : "";
    int rc = 2;
    if (mode == "request" && argc == 12)
        rc = RunRequest(argv + 2);
    else if (mode == "walk" && (argc == 7 || argc == 8))
        rc = RunWalk(argv + 2, argc == 8);
    else if (mode == "listen" && argc == 4)
        rc = RunListen(argv + 2);
    else if (mode == "expire" && argc == 6)
        rc = RunExpire(argv + 2);
    else
        printf("usage: snmp_client_probe request|walk|listen|expire ...\n");
    if (started)
        printf("{\"cleanup\":%s}\n", libpo_SnmpCleanup() == SNMPAPI_SUCCESS ? "true" : "false");
    fflush(stdout);
    return rc;
}
