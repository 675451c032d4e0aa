#include "ndis_records.h"

#include "heap_helpers.h"
#include "mon_result2.h"

namespace {

bool AddText(CMonResult2& record, const std::string& text)
{
    return record.add(const_cast<char*>(text.c_str()));
}

bool TakeBytes(CMonResult2& record, CComBSTR* bytes)
{
    return bytes->AssignBytes(record.get_pointer(), record.get_size());
}

bool AddOidValue(CMonResult2& record, const std::pair<std::string, std::string>& oidValue)
{
    CMonResult2 nested;
    return nested.create(0, 0, 0, 0, 0, 2) && AddText(nested, oidValue.first) &&
           AddText(nested, oidValue.second) && record.add(&nested);
}

}  // namespace

bool BuildHostRecord(unsigned tid, unsigned lid, const HostIdentity& host, CComBSTR* bytes)
{
    CMonResult2 record;
    if (!record.create(0, 3, 1, 0, 1, 5) || !record.init(kResultScan, tid, lid))
        return false;
    for (const std::string* text :
         {&host.address, &host.sysName, &host.sysDescr, &host.objectValue, &host.sysObjectId})
        if (!AddText(record, *text))
            return false;
    for (const auto& oidValue : host.oidValues)
        if (!AddOidValue(record, oidValue))
            return false;
    return TakeBytes(record, bytes);
}

bool BuildScanTextRecord(unsigned tid, unsigned lid, const char* text, CComBSTR* bytes)
{
    CMonResult2 record;
    return record.create(0, 3, 1, 0, 1, 1) && record.init(kResultScan, tid, lid) &&
           record.add(const_cast<char*>(text)) && TakeBytes(record, bytes);
}

bool BuildServerRecord(unsigned tid, const char* server, const char* address, CComBSTR* bytes)
{
    CMonResult2 record;
    return record.create(0, 3, 1, 0, 0, 2) && record.init(kResultDiscovery, tid, 0) &&
           record.add(const_cast<char*>(server)) && record.add(const_cast<char*>(address)) &&
           TakeBytes(record, bytes);
}

bool BuildDiscoveryTextRecord(unsigned tid, const char* text, CComBSTR* bytes)
{
    CMonResult2 record;
    return record.create(0, 3, 1, 0, 0, 1) && record.init(kResultDiscovery, tid, 0) &&
           record.add(const_cast<char*>(text)) && TakeBytes(record, bytes);
}

std::string WaitFailedText()
{
    char* text = FormatErrorTextA(static_cast<unsigned long>(-1), nullptr);
    std::string out = text ? text : "";
    FreeHeapBlock(text);
    return out;
}
