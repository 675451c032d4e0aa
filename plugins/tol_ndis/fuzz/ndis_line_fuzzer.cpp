// Fuzz target of tol_ndis's test lines: each line of the input parsed as Add parses it, and a
// range scan's addresses read, stepped and sliced over the scan threads as a scan job does.
// Any line must be refused or read without a fault; a discovery's interval must be one a walk
// may wait; and a scan must stay within its bounds and hand every address to exactly one
// thread, in stepping order.
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "ndis_line.h"
#include "scan_plan.h"

namespace {

void CheckScan(const NdisLine& line)
{
    uint32_t start = 0, end = 0;
    if (!ReadScanAddress(line.start.c_str(), &start) || !ReadScanAddress(line.end.c_str(), &end))
        return;
    std::vector<uint32_t> addresses = ScanAddresses(start, end);
    Check(addresses.size() <= kMaxScanAddresses);
    ScanSlicing slicing = SliceScan(addresses.size());
    Check(slicing.threads <= kMaxScanThreads);
    size_t next = 0;
    for (size_t k = 0; k < slicing.threads; ++k)
        for (uint32_t address : ScanSlice(addresses, slicing, k))
            Check(next < addresses.size() && address == addresses[next++]);
    Check(next == addresses.size());
}

// One scan of an input is stepped (a range may hold 65,536 addresses).
void CheckLine(const std::string& line, bool* scanned)
{
    NdisLine parsed;
    if (!ParseNdisLine(line.c_str(), &parsed))
        return;
    auto fields = SplitFields(line, '\t');
    switch (parsed.kind) {
    case NdisLineKind::DiscoveryAdd:
        Check(fields[0] == "NSA" && (parsed.interval == kDefaultDiscoveryInterval ||
                                     (parsed.interval >= kMinDiscoveryInterval &&
                                      parsed.interval <= kMaxDiscoveryInterval)));
        break;
    case NdisLineKind::ScanAdd:
    case NdisLineKind::ScanModify: {
        size_t first = parsed.kind == NdisLineKind::ScanAdd ? 3 : 2;
        Check(fields.size() >= first + 2 && parsed.start == std::string(fields[first]) &&
              parsed.end == std::string(fields[first + 1]));
        if (!*scanned)
            CheckScan(parsed);
        *scanned = true;
        break;
    }
    case NdisLineKind::DiscoveryDelete:
    case NdisLineKind::ScanDelete:
        break;
    case NdisLineKind::Rejected:
        Check(false);  // a rejected line is refused
        break;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    bool scanned = false;
    ForEachLine(data, size, [&scanned](const std::string& line) { CheckLine(line, &scanned); });
    return 0;
}
