// CNetHostProbe: the scan's probe on the network: ping of tol_utils (1 s, one request, the
// default data size, ended early by the scan thread's stop) and one CSNMPmon request (SNMP v2c,
// port 161, community "quovel", time-out 1 s, one retry, waited for at most 1 s). Winsock and
// the SNMP API must have been started in the process. Safe on many threads: every call has a
// socket and a client of its own.
#pragma once

#include "host_probe.h"

class CNetHostProbe : public CHostProbe {
public:
    bool Answers(const char* address, unsigned short identifier, HANDLE stop) override;
    void Query(const char* host, const char* oids, std::vector<std::string>* values) override;
};
