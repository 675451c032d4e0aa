// The adapter plug-in's result records.
//
// RESULT_NET_ADAPTER (38), one per test and pass:
//   UI32: 38, test id, location id, in-octets, in-packets, in-errors, out-octets, out-packets,
//         out-errors (each the last one-second difference), status 0; I64: time stamp;
//   text: "Network adapter: <name> values are within acceptable limits.\n"
// RESULT_ADAPTER_LIST (39), first in every Get:
//   UI32: 39, 0, 0; I64: time stamp; text: the names of the adapters that are up, each
//   followed by a TAB.
#pragma once

#include <string>

#include "adapter_test_list.h"
#include "com_bstr.h"

bool BuildAdapterRecord(const AdapterTest& test, CComBSTR* bytes);
bool BuildAdapterListRecord(const std::string& listText, CComBSTR* bytes);
