// ParseNdisLine: one test line of the discovery plug-in (fields separated by TAB).
//
//   NSA <tid> [<repeat flag> [<interval s>]]           start a network-neighbourhood discovery
//   NSD <tid>                                          stop and delete it
//   DCA <tid> <lid> <start> <end> [<OID list>]         start an address-range scan
//   DCM <tid> <start> <end> [<OID list>]               stop the scan and start it again
//   DCD <tid>                                          stop and delete the scan
//
// Numbers read like atol. Every line needs a test id other than 0 (negative ids are ids);
// codes are compared exactly; fields beyond those listed are ignored.
#pragma once

#include <string>

#include "line_reader.h"

enum class NdisLineKind {
    DiscoveryAdd,
    DiscoveryDelete,
    ScanAdd,
    ScanModify,
    ScanDelete,
    Rejected,  // only while reading: ParseNdisLine refuses such a line
};

struct NdisLine {
    NdisLineKind kind = NdisLineKind::DiscoveryAdd;
    int tid = 0;
    unsigned lid = 0;  // DCA only
    // NSA: a discovery walks once unless the repeat flag is given and not 0; a repeating one
    // waits `interval` seconds (11..2,591,999, else 30) between walks.
    bool oneShot = true;
    int interval = 30;
    // DCA, DCM: the range's end address is not scanned; a missing OID list is empty.
    std::string start;
    std::string end;
    std::string oids;
};

constexpr int kDefaultDiscoveryInterval = 30;
constexpr int kMinDiscoveryInterval = 11;
constexpr int kMaxDiscoveryInterval = 2591999;

// False when the line is rejected as it stands (the plug-in then declines it).
bool ParseNdisLine(const char* utf8Line, NdisLine* out);

// The command codes the plug-in takes, in its rules' order: "NSANSDDCADCMDCD".
const char* NdisCommandCodes();
