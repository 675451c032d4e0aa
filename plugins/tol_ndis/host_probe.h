// CHostProbe: what a range scan asks of the network about one address. The plug-in's probe
// (CNetHostProbe) pings and asks SNMP; tests of the scan's logic give one of their own.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class CHostProbe {
public:
    virtual ~CHostProbe() = default;

    // One ICMP echo with a time-out of 1 s and the given identifier; true when it was
    // answered. It ends early, unanswered, once `stop` (an event; null: never) is signalled.
    virtual bool Answers(const char* address, unsigned short identifier, HANDLE stop) = 0;

    // One SNMP GET of the identifiers in `oids` (";"-separated) from `host`: appends the value
    // text of every identifier answered with a value, in request order.
    virtual void Query(const char* host, const char* oids, std::vector<std::string>* values) = 0;
};
