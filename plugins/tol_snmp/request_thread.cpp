#include "request_thread.h"

#include <string>

#include "heap_helpers.h"

#include "snmp_mon.h"
#include "snmp_record.h"
#include "snmp_verdict.h"

const char* const kSnmpNewData = "tol_snmp: New data is available";

namespace {

constexpr int kLevelErrors = 1;

// Sends the request and waits for it; false when the checker abandoned it (nothing to post).
bool Measure(SnmpTest& test, CSnmpRequestOwner* owner, CSNMPmon* client, SnmpFigures* figures)
{
    figures->initialised = client->InitInst(
        TextOrNull(test.host), test.port, TextOrNull(test.community), TextOrNull(test.oids),
        test.timeout, test.retries, test.version, TextOrNull(test.limits), false);
    if (figures->initialised)
        figures->sent = client->SendRequest();
    if (figures->sent) {
        CSnmpRequestRegistry& requests = owner->Requests();
        if (!requests.Enter(client)) {
            client->cancelRequest();
            return false;
        }
        figures->waited = client->wait(SnmpWaitMs(test));
        if (requests.Leave(client))
            return false;
    }
    figures->error = client->m_Error;
    figures->elapsedMs = client->m_Elapsed;
    figures->oidCount = client->m_OidCount;
    figures->answered = test.answered;
    return !owner->Requests().Abandoned();
}

void SnmpRequestThread(SnmpTest& test, CSnmpRequestOwner* owner)
{
    CSNMPmon client(false);
    SnmpFigures figures;
    if (!Measure(test, owner, &client, &figures))
        return;
    SnmpVerdict verdict = JudgeSnmp(figures);
    CComBSTR bytes;
    if (!BuildSnmpRecord(static_cast<unsigned int>(test.tid), static_cast<unsigned int>(test.lid),
                         verdict, client.m_Results, client.m_Results ? client.m_OidCount : 0,
                         &bytes))
        return;
    owner->PostRecord(&bytes, kSnmpNewData);
    if (verdict.success)
        owner->MarkAnswered(test.tid);
}

// The test was not measured: its failure record carries the error of the thread's start.
void ReportUnstarted(const SnmpTest& test, DWORD error, CSnmpRequestOwner* owner)
{
    if (error == 0)
        error = ERROR_NOT_ENOUGH_MEMORY;
    char* errorText = FormatErrorTextA(error, nullptr);
    const char* text = errorText ? errorText : "Unknown Error.";
    std::string line = "tol_snmp: The request of test " + std::to_string(test.tid) +
                       " could not be started. " + text;
    owner->PostLog(kLevelErrors, line.c_str());
    SnmpFigures figures;
    figures.error = text;
    CComBSTR bytes;
    if (BuildSnmpRecord(static_cast<unsigned int>(test.tid), static_cast<unsigned int>(test.lid),
                        JudgeSnmp(figures), nullptr, 0, &bytes))
        owner->PostRecord(&bytes, kSnmpNewData);
    FreeHeapBlock(errorText);
}

}  // namespace

bool StartSnmpRequest(std::unique_ptr<SnmpTest> test, CSnmpRequestOwner* owner, CThreadGroup* group)
{
    if (!test || !owner)
        return false;
    if (StartItemThread(group, &test, owner, &SnmpRequestThread))
        return true;
    ReportUnstarted(*test, GetLastError(), owner);
    return false;
}
