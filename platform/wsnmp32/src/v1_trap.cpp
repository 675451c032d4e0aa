// An SNMPv1 trap as the SNMPv2 trap it stands for: sysUpTime.0, snmpTrapOID.0, the trap's
// bindings and, for a generic trap, snmpTrapEnterprise.0.
#include "snmp_message.h"

namespace wsnmp {

namespace {
const Oid kSysUpTime = {1, 3, 6, 1, 2, 1, 1, 3, 0};
const Oid kSnmpTrapOid = {1, 3, 6, 1, 6, 3, 1, 1, 4, 1, 0};
const Oid kSnmpTrapEnterprise = {1, 3, 6, 1, 6, 3, 1, 1, 4, 3, 0};
const Oid kSnmpTraps = {1, 3, 6, 1, 6, 3, 1, 1, 5};
const int32_t kEnterpriseSpecific = 6;
}  // namespace

bool ConvertV1Trap(Pdu& pdu)
{
    bool generic = pdu.genericTrap >= 0 && pdu.genericTrap < kEnterpriseSpecific;
    // enterprise.0.specific must stay an identifier that every other path accepts.
    if (!generic && pdu.enterprise.size() + 2 > kMaxOidLength)
        return false;
    VarBindList list;
    VarBind upTime;
    upTime.name = kSysUpTime;
    upTime.value.syntax = 0x43;
    upTime.value.number = pdu.timeStamp;
    list.push_back(upTime);

    VarBind trapOid;
    trapOid.name = kSnmpTrapOid;
    trapOid.value.syntax = 0x06;
    if (generic) {
        trapOid.value.oid = kSnmpTraps;
        trapOid.value.oid.push_back(static_cast<uint32_t>(pdu.genericTrap) + 1);
    } else {
        trapOid.value.oid = pdu.enterprise;
        trapOid.value.oid.push_back(0);
        trapOid.value.oid.push_back(static_cast<uint32_t>(pdu.specificTrap));
    }
    list.push_back(trapOid);
    list.insert(list.end(), pdu.varbinds.begin(), pdu.varbinds.end());
    if (generic) {
        VarBind enterprise;
        enterprise.name = kSnmpTrapEnterprise;
        enterprise.value.syntax = 0x06;
        enterprise.value.oid = pdu.enterprise;
        list.push_back(enterprise);
    }
    pdu.type = 0xA7;
    pdu.requestId = 0;
    pdu.errorStatus = 0;
    pdu.errorIndex = 0;
    pdu.varbinds = std::move(list);
    return true;
}

}  // namespace wsnmp
