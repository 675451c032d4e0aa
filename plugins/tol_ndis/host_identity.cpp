#include "host_identity.h"

#include "text_fields.h"

namespace {

bool Stopped(HANDLE stop)
{
    return stop && WaitForSingleObject(stop, 0) == WAIT_OBJECT_0;
}

// The first value of one GET ("" when nothing came back); false when it came back empty.
bool GetFirstValue(CHostProbe& probe, const char* host, const char* oid, std::string* value)
{
    std::vector<std::string> values;
    bool answered = SnmpGetValues(probe, host, oid, &values);
    *value = values.front();
    return answered;
}

void ReadOidList(CHostProbe& probe, const char* host, const std::string& oidList,
                 HostIdentity* identity)
{
    const std::vector<std::string_view> oids = SplitFields(oidList, ';');
    std::vector<std::string> values;
    SnmpGetValues(probe, host, oidList.c_str(), &values);
    bool matched = values.size() == oids.size();
    for (size_t i = 0; i < oids.size(); ++i)
        identity->oidValues.emplace_back(std::string(oids[i]), matched ? values[i] : std::string());
}

}  // namespace

bool SnmpGetValues(CHostProbe& probe, const char* host, const char* oids,
                   std::vector<std::string>* values)
{
    values->clear();
    if (oids && *oids)
        probe.Query(host, oids, values);
    if (!values->empty())
        return true;
    values->assign(1, std::string());
    return false;
}

bool IdentifyHost(CHostProbe& probe, const char* host, const std::string& oidList, HANDLE stop,
                  HostIdentity* identity)
{
    *identity = HostIdentity();
    identity->address = host;
    if (Stopped(stop))
        return false;
    GetFirstValue(probe, host, kSysName, &identity->sysName);
    if (Stopped(stop))
        return false;
    GetFirstValue(probe, host, kSysDescr, &identity->sysDescr);
    if (Stopped(stop))
        return false;
    std::string objectId;
    if (GetFirstValue(probe, host, kSysObjectId, &objectId)) {
        if (Stopped(stop))
            return false;
        GetFirstValue(probe, host, objectId.c_str(), &identity->objectValue);
        identity->sysObjectId = objectId;
    }
    if (!oidList.empty()) {
        if (Stopped(stop))
            return false;
        ReadOidList(probe, host, oidList, identity);
    }
    return true;
}
