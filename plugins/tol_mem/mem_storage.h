// Remote memory figures from the storage table of the SNMP host-resources MIB: which rows to
// ask for, found by the walk of the storage descriptions, and the figures their answers give.
// Pure functions of the walk's rows and the GET's answers.
//
//   kind              matched description    asked (in this order)     figures
//   physical memory   "physical memory"      size, units, used         total_phys, free_phys
//   virtual memory    "virtual memory"       size, units, used         total_virt, free_virt
//   memory buffers    "memory buffers"       size, units               buffered
//   cached memory     "cached memory"        size, units               cached
//   swap space        "swap space"           size, units, used         total_page, free_page
//
// A description matches ignoring case; the row's index is the last arc of its identifier. When
// several rows carry the same description, the first in walk order counts. Sizes are size ×
// allocation units in bytes, computed in 64 bits.
#pragma once

#include <string>
#include <vector>

#include "mem_figures.h"
#include "snmp_queries.h"

constexpr const char* kStorageDescrRoot = "1.3.6.1.2.1.25.2.3.1.3";
constexpr int kStorageKindCount = 5;

struct StoragePlan {
    std::vector<std::string> oids;  // the GET's identifiers
    int first[kStorageKindCount];   // each kind's first answer in `oids`; -1 not found

    StoragePlan()
    {
        for (int& position : first)
            position = -1;
    }
};

// The GET of every kind the walk's rows describe (no rows, no kinds: nothing to ask).
StoragePlan PlanStorageRequests(const std::vector<SnmpRow>& rows);

// The figures of every kind whose answers all came as INTEGER values; the others stay -1.
void ReadStorageFigures(const StoragePlan& plan, const std::vector<std::string>& values,
                        const std::vector<unsigned int>& syntax, MemFigures* figures);
