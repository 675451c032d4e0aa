#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>

#include "adapter_probe.h"

#include "heap_text.h"

namespace {

// Skip the unicast, anycast, multicast and DNS-server lists.
constexpr ULONG kScanFlags = GAA_FLAG_SKIP_UNICAST | GAA_FLAG_SKIP_ANYCAST |
                             GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER;

std::string Utf8Name(const wchar_t* name)
{
    return Narrow(name ? name : L"");
}

DWORD ReadRow(unsigned int index, MIB_IFROW* row)
{
    ZeroMemory(row, sizeof *row);
    row->dwIndex = index;
    return GetIfEntry(row);
}

void ReadAdapter(const IP_ADAPTER_ADDRESSES* adapter, AdapterScan* scan)
{
    MIB_IFROW row;
    DWORD result = ReadRow(adapter->IfIndex, &row);
    if (result != NO_ERROR) {
        scan->failures.push_back({adapter->IfIndex, Utf8Name(adapter->FriendlyName), result});
        return;
    }
    AdapterRow entry;
    entry.name = Utf8Name(adapter->FriendlyName);
    entry.index = adapter->IfIndex;
    entry.type = row.dwType;
    entry.operStatus = row.dwOperStatus;
    scan->rows.push_back(std::move(entry));
}

}  // namespace

bool ScanAdapters(AdapterScan* scan)
{
    *scan = AdapterScan();
    ULONG size = 0;
    ULONG result = GetAdaptersAddresses(AF_UNSPEC, kScanFlags, nullptr, nullptr, &size);
    if (result != ERROR_BUFFER_OVERFLOW) {
        scan->result = result;
        return false;
    }
    CHeapBlock<IP_ADAPTER_ADDRESSES> buffer(
        static_cast<IP_ADAPTER_ADDRESSES*>(HeapAllocZero(size)));
    if (!buffer) {
        scan->result = ERROR_NOT_ENOUGH_MEMORY;
        return false;
    }
    IP_ADAPTER_ADDRESSES* first = buffer.get();
    result = GetAdaptersAddresses(AF_UNSPEC, kScanFlags, nullptr, first, &size);
    if (result != NO_ERROR) {
        scan->result = result;
        return false;
    }
    for (const IP_ADAPTER_ADDRESSES* adapter = first; adapter; adapter = adapter->Next)
        ReadAdapter(adapter, scan);
    return true;
}

DWORD ReadInterfaceCounters(unsigned int index, AdapterCounters* counters, bool* up)
{
    MIB_IFROW row;
    DWORD result = ReadRow(index, &row);
    if (result != NO_ERROR)
        return result;
    uint32_t* value = counters->value;
    value[kInOctets] = row.dwInOctets;
    value[kInUcastPkts] = row.dwInUcastPkts;
    value[kInNUcastPkts] = row.dwInNUcastPkts;
    value[kInErrors] = row.dwInErrors;
    value[kInUnknownProtos] = row.dwInUnknownProtos;
    value[kOutOctets] = row.dwOutOctets;
    value[kOutUcastPkts] = row.dwOutUcastPkts;
    value[kOutNUcastPkts] = row.dwOutNUcastPkts;
    value[kOutErrors] = row.dwOutErrors;
    *up = AdapterIsUp(row.dwType, row.dwOperStatus);
    return result;
}
