// The result records of the discovery plug-in.
//
// RESULT_SCAN (40), each with UI32 type, test id, location id; I64 time stamp; one D64 slot
// that stays 0:
//   host identified  texts: address, sysName, sysDescr, the value of the object that
//                    sysObjectID names, sysObjectID; one nested record {OID, value} per OID
//                    of the scan's OID list
//   finished         text "finished": the last record of every run of a scan
//   wait failed      text: the error text
// RESULT_DISCOVERY (41), UI32 type, test id, location id 0; I64 time stamp:
//   server found     texts: server name, its IPv4 address or "<no ipv4 address>"
//   wait failed      text: the error text
// An empty text is stored as "N/A".
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "com_bstr.h"

constexpr unsigned kResultScan = 40;
constexpr unsigned kResultDiscovery = 41;
constexpr const char* kScanFinished = "finished";
constexpr const char* kNoIpv4Address = "<no ipv4 address>";

// What a scan learnt of one host that answered its ping.
struct HostIdentity {
    std::string address;
    std::string sysName;
    std::string sysDescr;
    std::string objectValue;  // the value of the object named by sysObjectID
    std::string sysObjectId;
    std::vector<std::pair<std::string, std::string>> oidValues;  // {OID, value}, list order
};

// Each appends nothing and returns false when the record cannot be built.
bool BuildHostRecord(unsigned tid, unsigned lid, const HostIdentity& host, CComBSTR* bytes);
bool BuildScanTextRecord(unsigned tid, unsigned lid, const char* text, CComBSTR* bytes);
bool BuildServerRecord(unsigned tid, const char* server, const char* address, CComBSTR* bytes);
bool BuildDiscoveryTextRecord(unsigned tid, const char* text, CComBSTR* bytes);

// The text of a failed wait of a scan or discovery thread: the wait's failure value -1 as
// the error code ("Failed with error -1: Unknown Error.").
std::string WaitFailedText();
