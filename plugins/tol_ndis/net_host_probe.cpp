#include "net_host_probe.h"

#include "ping.h"
#include "snmp_mon.h"

namespace {

constexpr unsigned kPingTimeoutMs = 1000;
constexpr unsigned kSnmpPort = 161;
constexpr unsigned kSnmpTimeoutSeconds = 1;
constexpr unsigned kSnmpRetries = 1;
constexpr int kSnmpVersion2c = 2;
constexpr unsigned long kSnmpWaitMs = 1000;

}  // namespace

bool CNetHostProbe::Answers(const char* address, unsigned short identifier, HANDLE stop)
{
    double roundTrip = 0;
    double* times = &roundTrip;
    return ping_stoppable(address, kPingTimeoutMs, 1, &times, 0, identifier, stop) && roundTrip > 0;
}

void CNetHostProbe::Query(const char* host, const char* oids, std::vector<std::string>* values)
{
    char community[] = "quovel";
    CSNMPmon client(false);
    if (!client.InitInst(host, kSnmpPort, community, oids, kSnmpTimeoutSeconds, kSnmpRetries,
                         kSnmpVersion2c, nullptr, false) ||
        !client.SendRequest() || !client.wait(kSnmpWaitMs) || client.m_Error)
        return;
    for (unsigned i = 0; i < client.m_OidCount; ++i)
        if (client.m_Values[i])
            values->push_back(client.m_Values[i]);
}
