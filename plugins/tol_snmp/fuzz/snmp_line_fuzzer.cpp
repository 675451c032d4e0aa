// Fuzz target of tol_snmp's test lines: each line of the input parsed as Add parses it, an add
// or modify applied to a test list and its limits read as the SNMP client reads them for its
// identifiers. Any line must be refused or read without a fault; a test taken must keep the
// rules of its fields; and every test left in the list must go with the delete line of its id.
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "snmp_limits.h"
#include "snmp_line.h"
#include "snmp_request.h"

namespace {

void ReadLimits(const SnmpTest& test)
{
    unsigned count = static_cast<unsigned>(SplitFields(test.oids, ';').size());
    if (count == 0 || test.limits.empty())
        return;
    std::vector<int*> lower(count, nullptr), upper(count, nullptr);
    if (ParseSnmpLimits(test.limits.c_str(), count, lower.data(), upper.data()))
        for (unsigned i = 0; i < count; ++i)
            Check((lower[i] == nullptr) == (upper[i] == nullptr));
    FreeSnmpLimits(count, lower.data(), upper.data());
}

void Apply(const std::string& line, SnmpTestList& list)
{
    SnmpLine parsed;
    bool taken = ParseSnmpLine(line.c_str(), &parsed);
    Check(taken == !line.empty());
    if (!taken)
        return;
    auto fields = SplitFields(line, '\t');
    const SnmpTest& test = parsed.test;
    switch (parsed.kind) {
    case SnmpLineKind::Add:
    case SnmpLineKind::Modify:
        Check((fields.size() == 15 || fields.size() == 16) && test.tid > 0 && test.port > 0 &&
              test.timeout > 0 && test.retries > 0 && (test.version == 1 || test.version == 2) &&
              test.host == std::string(fields[3]) && test.oids == std::string(fields[6]));
        Check(SnmpWaitMs(test) >= test.timeout || SnmpWaitMs(test) == 0xFFFFFFFEu);
        ReadLimits(test);
        if (parsed.kind == SnmpLineKind::Add)
            list.Add(test);
        else
            list.Modify(test);
        break;
    case SnmpLineKind::Delete:
        list.Remove(test.tid);
        break;
    case SnmpLineKind::TrapStart:
    case SnmpLineKind::TrapStop:
        Check(fields[0] == (parsed.kind == SnmpLineKind::TrapStart ? "TRA" : "TRD"));
        break;
    case SnmpLineKind::Ignored:
        break;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    SnmpTestList list;
    ForEachLine(data, size, [&list](const std::string& line) { Apply(line, list); });
    for (auto& copy : TakeRequestPass(&list, false)) {
        SnmpLine parsed;
        Check(ParseSnmpLine(("SPD\t" + std::to_string(copy->tid) + "\t0").c_str(), &parsed) &&
              parsed.kind == SnmpLineKind::Delete && parsed.test.tid == copy->tid);
        Check(list.Remove(parsed.test.tid));
    }
    Check(list.Size() == 0);
    return 0;
}
