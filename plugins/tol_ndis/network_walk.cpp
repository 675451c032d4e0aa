#include <winsock2.h>

#include "network_walk.h"

#include "ndis_records.h"

namespace {

constexpr DWORD kEnumBufferBytes = 16384;
// No answer holds more entries than the buffer has room for.
constexpr DWORD kMaxEntries = kEnumBufferBytes / sizeof(NETRESOURCEA);
constexpr int kMaxDepth = 16;  // a provider whose containers hold themselves ends here

bool Stopped(HANDLE stop)
{
    return stop && WaitForSingleObject(stop, 0) == WAIT_OBJECT_0;
}

class CEnumBuffer {
public:
    CEnumBuffer() : m_bytes(GlobalAlloc(GPTR, kEnumBufferBytes)) {}
    ~CEnumBuffer()
    {
        if (m_bytes)
            GlobalFree(m_bytes);
    }
    CEnumBuffer(const CEnumBuffer&) = delete;
    CEnumBuffer& operator=(const CEnumBuffer&) = delete;
    void* Get() const { return m_bytes; }

private:
    HGLOBAL m_bytes;
};

bool WalkBranch(const NETRESOURCEA* parent, HANDLE stop, std::vector<FoundServer>* servers,
                int depth);

// One batch of entries: servers are recorded, containers walked at once.
void TakeEntries(const NETRESOURCEA* entries, DWORD count, HANDLE stop,
                 std::vector<FoundServer>* servers, int depth)
{
    for (DWORD i = 0; i < count && !Stopped(stop); ++i) {
        const NETRESOURCEA& entry = entries[i];
        if (entry.dwDisplayType == RESOURCEDISPLAYTYPE_SERVER)
            servers->push_back(ServerOf(entry.lpRemoteName));
        if ((entry.dwUsage & RESOURCEUSAGE_CONTAINER) && depth < kMaxDepth)
            WalkBranch(&entry, stop, servers, depth + 1);
    }
}

bool WalkBranch(const NETRESOURCEA* parent, HANDLE stop, std::vector<FoundServer>* servers,
                int depth)
{
    HANDLE enumeration = nullptr;
    if (WNetOpenEnumA(RESOURCE_GLOBALNET, RESOURCETYPE_ANY, 0, const_cast<NETRESOURCEA*>(parent),
                      &enumeration) != NO_ERROR)
        return false;
    CEnumBuffer buffer;
    if (!buffer.Get()) {
        WNetCloseEnum(enumeration);
        return false;
    }
    while (!Stopped(stop)) {
        ZeroMemory(buffer.Get(), kEnumBufferBytes);
        // Both are in-out: every call asks afresh for as many entries as fit.
        DWORD count = static_cast<DWORD>(-1);
        DWORD size = kEnumBufferBytes;
        if (WNetEnumResourceA(enumeration, &count, buffer.Get(), &size) != NO_ERROR)
            break;
        // Success with no entries is a provider's way of saying it has no more.
        if (count == 0)
            break;
        TakeEntries(static_cast<const NETRESOURCEA*>(buffer.Get()),
                    count < kMaxEntries ? count : kMaxEntries, stop, servers, depth);
    }
    return WNetCloseEnum(enumeration) == NO_ERROR;
}

}  // namespace

bool WalkNetwork(const NETRESOURCEA* parent, HANDLE stop, std::vector<FoundServer>* servers)
{
    return WalkBranch(parent, stop, servers, 0);
}

FoundServer ServerOf(const char* remoteName)
{
    FoundServer server;
    const char* name = remoteName ? remoteName : "";
    while (*name == '\\')
        ++name;
    server.name = name;
    server.address = kNoIpv4Address;
    // An empty name would give this host's own address.
    if (server.name.empty())
        return server;
    const hostent* host = gethostbyname(server.name.c_str());
    if (host && host->h_addrtype == AF_INET && host->h_addr_list && host->h_addr_list[0]) {
        in_addr address;
        memcpy(&address, host->h_addr_list[0], sizeof(address));
        server.address = inet_ntoa(address);
    }
    return server;
}
