// IdentifyHost: what a range scan reports of a host that answered its ping: its SNMP system
// name, description and object identifier, the value of the object that identifier names,
// and the values of the scan's own OID list. Every request goes through a CHostProbe.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "host_probe.h"
#include "ndis_records.h"

constexpr const char* kSysName = "1.3.6.1.2.1.1.5.0";
constexpr const char* kSysDescr = "1.3.6.1.2.1.1.1.0";
constexpr const char* kSysObjectId = "1.3.6.1.2.1.1.2.0";

// One GET of `oids`: true with the answered value texts; false with a single empty text when
// the identifier text is empty or nothing came back.
bool SnmpGetValues(CHostProbe& probe, const char* host, const char* oids,
                   std::vector<std::string>* values);

// Up to five GETs. False when `stop` (an event; null: never) was found signalled before one
// of them: the identity is then incomplete and not to be reported.
bool IdentifyHost(CHostProbe& probe, const char* host, const std::string& oidList, HANDLE stop,
                  HostIdentity* identity);
