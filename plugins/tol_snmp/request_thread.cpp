#include "request_thread.h"

#include "snmp_mon.h"
#include "snmp_record.h"
#include "snmp_verdict.h"

const char* const kSnmpNewData = "tol_snmp: New data is available";

namespace {

// Sends the request and waits for it; false when the checker abandoned it (nothing to post).
bool Measure(SnmpTest& test, CSnmpRequestOwner* owner, CSNMPmon* client, SnmpFigures* figures)
{
    figures->initialised = client->InitInst(TextOrNull(test.host), test.port, TextOrNull(test.community),
                                            TextOrNull(test.oids), test.timeout, test.retries,
                                            test.version, TextOrNull(test.limits), false);
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
    if (!BuildSnmpRecord(static_cast<unsigned int>(test.testId), static_cast<unsigned int>(test.locationId),
                         verdict, client.m_Results, client.m_Results ? client.m_OidCount : 0, &bytes))
        return;
    owner->PostRecord(&bytes, kSnmpNewData);
    if (verdict.success)
        owner->MarkAnswered(test.testId);
}

}  // namespace

bool StartSnmpRequest(std::unique_ptr<SnmpTest> test, CSnmpRequestOwner* owner,
                      CThreadGroup* group)
{
    return StartItemThread(group, std::move(test), owner, &SnmpRequestThread);
}
