// WalkNetwork: the servers of the Windows network neighbourhood, found through the network
// provider router (WNetOpenEnum, WNetEnumResource, WNetCloseEnum), depth first.
#pragma once

#include <windows.h>
#include <winnetwk.h>

#include <string>
#include <vector>

struct FoundServer {
    std::string name;     // the remote name without its leading backslashes
    std::string address;  // dotted IPv4 address, or "<no ipv4 address>"
};

// Walks the containers below `parent` (null: the whole network), appending each server in the
// order found. Errors end the branch they happen in; the servers found so far stay. The walk
// ends early once `stop` (an event; null: never) is signalled, and goes no deeper than 16
// containers. True when this branch's enumeration was closed cleanly.
bool WalkNetwork(const NETRESOURCEA* parent, HANDLE stop, std::vector<FoundServer>* servers);

// The server of one enumerated entry: its name and the first IPv4 address gethostbyname gives.
FoundServer ServerOf(const char* remoteName);
