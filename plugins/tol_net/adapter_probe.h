// The platform calls of the adapter plug-in (IP Helper): the adapter enumeration and the
// counters of one interface. No judging here.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "adapter_counters.h"
#include "adapter_map.h"

// An adapter whose interface-table row could not be read.
struct AdapterRowFailure {
    unsigned int index = 0;
    std::string name;  // friendly name, UTF-8
    DWORD result = 0;  // of GetIfEntry
};

struct AdapterScan {
    DWORD result = 0;  // the failing result of GetAdaptersAddresses, when it failed
    std::vector<AdapterRow> rows;
    std::vector<AdapterRowFailure> failures;
};

// GetAdaptersAddresses (every family; no unicast, anycast, multicast or DNS-server lists) and
// GetIfEntry for each adapter. False when the adapters could not be listed (scan->result
// says why): a first call that does not ask for a buffer, or a second call that fails.
bool ScanAdapters(AdapterScan* scan);

// GetIfEntry of one interface: its nine counters and whether it is up (AdapterIsUp).
// Returns the call's result.
DWORD ReadInterfaceCounters(unsigned int index, AdapterCounters* counters, bool* up);
