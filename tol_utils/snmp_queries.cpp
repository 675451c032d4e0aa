#include "snmp_queries.h"

#include <algorithm>
#include <cstdlib>

#include "snmp_mon.h"

namespace {

constexpr unsigned int kPort = 161;
constexpr unsigned int kTimeoutSeconds = 10;
constexpr unsigned int kRetries = 1;
constexpr int kVersion2c = 2;

// One request through its own client: the answer's variables in answer order.
int AskOnce(const char* host, const std::string& oids, bool getNext, unsigned long waitMs,
            std::vector<SnmpRow>* answer)
{
    char community[] = "quovel";
    CSNMPmon client(false);
    if (!client.InitInst(host, kPort, community, oids.c_str(), kTimeoutSeconds, kRetries,
                         kVersion2c, nullptr, getNext))
        return kSnmpQuerySetupFailed;
    if (!client.SendRequest())
        return kSnmpQuerySendFailed;
    if (!client.wait(waitMs))
        return kSnmpQueryNoAnswer;
    // The client fills its entries in answer order; the first empty one ends the answer.
    for (unsigned int i = 0; i < client.m_OidCount && client.m_Syntax[i] != 0; ++i) {
        SnmpRow row;
        row.oid = client.m_OidNames[i] ? client.m_OidNames[i] : "";
        row.syntax = client.m_Syntax[i];
        row.value = client.m_Values[i] ? client.m_Values[i] : "";
        answer->push_back(row);
    }
    return kSnmpQueryOk;
}

// The arcs of a dotted identifier; false for anything else.
bool ParseOid(const std::string& text, std::vector<unsigned long>* arcs)
{
    arcs->clear();
    const char* p = text.c_str();
    if (*p == '.')
        ++p;
    while (*p) {
        if (*p < '0' || *p > '9')
            return false;
        char* end = nullptr;
        arcs->push_back(strtoul(p, &end, 10));
        p = end;
        if (*p == '.' && p[1] != '\0')
            ++p;
        else if (*p)
            return false;
    }
    return !arcs->empty();
}

bool IsBelow(const std::vector<unsigned long>& oid, const std::vector<unsigned long>& root)
{
    return oid.size() > root.size() && std::equal(root.begin(), root.end(), oid.begin());
}

class CSystemSnmpQueries : public ISnmpQueries {
public:
    int Get(const char* host, const std::vector<std::string>& oids,
            std::vector<std::string>* values, std::vector<unsigned int>* syntax,
            unsigned long waitMs) override
    {
        return GetOIDValuesFromHost(host, oids, values, syntax, waitMs);
    }
    int Walk(const char* host, const char* root, std::vector<SnmpRow>* rows,
             const SnmpStopCheck& stopped) override
    {
        return SnmpWalk(host, root, rows, stopped);
    }
};

}  // namespace

unsigned int RemoteFailureStatus(int result)
{
    switch (result) {
    case kSnmpQuerySetupFailed:
        return 11;
    case kSnmpQuerySendFailed:
        return 12;
    case kSnmpQueryNoAnswer:
        return 13;
    default:
        return kStatusNoFigures;
    }
}

int GetOIDValuesFromHost(const char* host, const std::vector<std::string>& oids,
                         std::vector<std::string>* values, std::vector<unsigned int>* syntax,
                         unsigned long waitMs)
{
    values->clear();
    syntax->clear();
    std::string joined;
    for (const std::string& oid : oids) {
        if (oid.empty())
            continue;
        if (!joined.empty())
            joined += ';';
        joined += oid;
    }
    if (joined.empty())
        return kSnmpQueryNothingToAsk;
    std::vector<SnmpRow> answer;
    int result = AskOnce(host, joined, false, waitMs, &answer);
    for (const SnmpRow& row : answer) {
        values->push_back(row.value);
        syntax->push_back(row.syntax);
    }
    return result;
}

int SnmpWalk(const char* host, const char* root, std::vector<SnmpRow>* rows,
             const SnmpStopCheck& stopped)
{
    return WalkSubtree(
        root,
        [host](const std::string& oid, std::vector<SnmpRow>* answer) {
            return AskOnce(host, oid, true, kSnmpWalkStepWaitMs, answer);
        },
        rows, stopped);
}

namespace {

int WalkSteps(const char* root, const SnmpNextStep& step, std::vector<SnmpRow>* rows,
              const SnmpStopCheck& stopped)
{
    std::vector<unsigned long> rootArcs, current, next;
    if (!ParseOid(root, &rootArcs))
        return kSnmpQueryOk;  // nothing can lie below an identifier that is not one
    current = rootArcs;
    std::string asked = root;
    for (;;) {
        if (stopped && stopped())
            return kSnmpQueryWalkAbandoned;
        std::vector<SnmpRow> answer;
        int result = step(asked, &answer);
        if (result != kSnmpQueryOk)
            return rows->empty() ? result : kSnmpQueryOk;
        if (answer.size() != 1 || !ParseOid(answer[0].oid, &next) || !IsBelow(next, rootArcs) ||
            !std::lexicographical_compare(current.begin(), current.end(), next.begin(), next.end()))
            return kSnmpQueryOk;
        if (rows->size() >= kSnmpWalkMaxRows)
            return kSnmpQueryWalkAbandoned;
        rows->push_back(answer[0]);
        asked = answer[0].oid;
        current.swap(next);
    }
}

}  // namespace

int WalkSubtree(const char* root, const SnmpNextStep& step, std::vector<SnmpRow>* rows,
                const SnmpStopCheck& stopped)
{
    rows->clear();
    if (!root || !*root)
        return kSnmpQueryNothingToAsk;
    int result = kSnmpQueryWalkAbandoned;
    try {
        result = WalkSteps(root, step, rows, stopped);
    } catch (...) {
        // Memory the process could not give (bad_alloc), or whatever a step threw.
    }
    if (result == kSnmpQueryWalkAbandoned)
        std::vector<SnmpRow>().swap(*rows);  // the memory goes back as well
    return result;
}

ISnmpQueries& SystemSnmpQueries()
{
    static CSystemSnmpQueries queries;
    return queries;
}
