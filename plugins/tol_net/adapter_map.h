// The adapters that are up, by friendly name: judged from the rows the adapter enumeration
// read. No platform call.
#pragma once

#include <map>
#include <string>
#include <vector>

// Friendly name (UTF-8, ordered byte by byte) to interface index.
using AdapterMap = std::map<std::string, unsigned int>;

// One adapter of the enumeration with what its interface-table row said.
struct AdapterRow {
    std::string name;             // friendly name, UTF-8
    unsigned int index = 0;       // interface index
    unsigned int type = 0;        // interface type (24: software loopback)
    unsigned int operStatus = 0;  // 4 connected, 5 operational
};

// An adapter counts as up when it is no loopback and connected or operational.
bool AdapterIsUp(unsigned int type, unsigned int operStatus);

// The map of the rows that are up; a later row with the same name replaces an earlier one.
AdapterMap BuildAdapterMap(const std::vector<AdapterRow>& rows);

// Every name of the map in its order, each followed by a TAB (the last one too).
std::string AdapterListText(const AdapterMap& map);
