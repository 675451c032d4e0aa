#include "snmp_request.h"

SnmpTestCopies TakeRequestPass(SnmpTestList* tests, bool forced)
{
    SnmpTestCopies copies = tests->TakePass(forced);
    for (auto& copy : copies)
        copy->answered = false;
    return copies;
}

bool MarkAnswered(SnmpTestList* tests, int tid)
{
    SnmpTest* entry = tests->Find(tid);
    if (!entry)
        return false;
    entry->answered = true;
    return true;
}

uint32_t SnmpWaitMs(const SnmpTest& test)
{
    const uint64_t longest = 0xFFFFFFFEu;  // INFINITE less one
    uint64_t ms = (static_cast<uint64_t>(test.retries) + 1) * test.timeout * 1000u;
    return static_cast<uint32_t>(ms < longest ? ms : longest);
}
