#include <winsock2.h>

#include "scan_plan.h"

#include "next_ip_address.h"

namespace {

constexpr uint32_t kLastSubnetZero = 0x00FFFFFF;  // 255.255.255.0 in network byte order

}  // namespace

bool ReadScanAddress(const char* text, uint32_t* address)
{
    unsigned long value = inet_addr(text ? text : "");
    if (value == INADDR_NONE)
        return false;
    *address = static_cast<uint32_t>(value);
    return true;
}

std::vector<uint32_t> ScanAddresses(uint32_t start, uint32_t end)
{
    std::vector<uint32_t> addresses;
    const uint32_t last = ntohl(end);
    for (uint32_t at = start; ntohl(at) < last && at != 0 && at != kLastSubnetZero &&
                              addresses.size() < kMaxScanAddresses;
         at = static_cast<uint32_t>(nextipaddress(static_cast<long>(at))))
        addresses.push_back(at);
    return addresses;
}

ScanSlicing SliceScan(size_t addresses)
{
    ScanSlicing slicing{(addresses + kAddressesPerThread - 1) / kAddressesPerThread,
                        kAddressesPerThread};
    if (slicing.threads > kMaxScanThreads) {
        slicing.threads = kMaxScanThreads;
        slicing.perThread = (addresses + kMaxScanThreads - 1) / kMaxScanThreads;
    }
    return slicing;
}

std::vector<uint32_t> ScanSlice(const std::vector<uint32_t>& addresses, const ScanSlicing& slicing,
                                size_t index)
{
    size_t first = index * slicing.perThread;
    if (first >= addresses.size())
        return {};
    size_t last =
        first + slicing.perThread < addresses.size() ? first + slicing.perThread : addresses.size();
    return std::vector<uint32_t>(addresses.begin() + first, addresses.begin() + last);
}
