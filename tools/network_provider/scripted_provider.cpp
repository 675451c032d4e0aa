// The network provider functions of scripted_netprovider.dll. The tree is read afresh from the
// file named by the value "TreeFile" of the provider's own key at every NPOpenEnum, so a test
// may change the network between two walks.
//
// Providers differ in how they hand out their entries; DWORD values of the same key, read at
// NPOpenEnum, make this one answer like some of them:
//   "Batch"       at most this many entries in one answer (0 or missing: as many as fit)
//   "EmptyBelow"  a request for fewer than this many entries (a count other than -1) is
//                 answered with success and no entries
//   "EmptyAtEnd"  not 0: once every entry is handed out, success with no entries in place of
//                 WN_NO_MORE_ENTRIES
#include <windows.h>
// The SDK header declares the provider functions without C linkage; they are exported as C.
extern "C" {
#include <npapi.h>
}

#include <cstring>
#include <fstream>
#include <new>
#include <sstream>
#include <string>
#include <vector>

#include "heap_text.h"
#include "provider_tree.h"

namespace {

const wchar_t kProviderKey[] = L"System\\CurrentControlSet\\Services\\ScriptedNet\\NetworkProvider";
// The provider's "Name" value: the router finds the provider of a resource by it.
const wchar_t kProviderName[] = L"Scripted Network";

DWORD ReadNumber(const wchar_t* name)
{
    DWORD value = 0;
    DWORD size = sizeof(value);
    if (RegGetValueW(HKEY_LOCAL_MACHINE, kProviderKey, name, RRF_RT_REG_DWORD, nullptr, &value,
                     &size) != ERROR_SUCCESS)
        return 0;
    return value;
}

std::vector<ProviderEntry> LoadTree()
{
    wchar_t path[MAX_PATH] = {};
    DWORD size = sizeof(path) - sizeof(wchar_t);
    if (RegGetValueW(HKEY_LOCAL_MACHINE, kProviderKey, L"TreeFile", RRF_RT_REG_SZ, nullptr, path,
                     &size) != ERROR_SUCCESS)
        return {};
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return ReadProviderTree(text.str());
}

struct Shape {
    DWORD displayType;
    DWORD usage;
};

Shape ShapeOf(const std::string& kind)
{
    if (kind == "domain")
        return {RESOURCEDISPLAYTYPE_DOMAIN, RESOURCEUSAGE_CONTAINER};
    if (kind == "server")
        return {RESOURCEDISPLAYTYPE_SERVER, RESOURCEUSAGE_CONTAINER};
    if (kind == "share")
        return {RESOURCEDISPLAYTYPE_SHARE, RESOURCEUSAGE_CONNECTABLE};
    return {RESOURCEDISPLAYTYPE_GENERIC, RESOURCEUSAGE_CONTAINER};
}

struct Enumeration {
    std::vector<ProviderEntry> entries;
    size_t next = 0;
    DWORD batch = 0;
    DWORD emptyBelow = 0;
    bool emptyAtEnd = false;
};

// The remote name "<null>" stands for an entry without one.
bool HasName(const ProviderEntry& entry)
{
    return entry.remoteName != "<null>";
}

// Bytes one entry takes: the structure, its remote name and the provider's name at the end of
// the buffer.
size_t EntryBytes(const ProviderEntry& entry)
{
    size_t name = HasName(entry) ? (Widen(entry.remoteName).size() + 1) * sizeof(wchar_t) : 0;
    return sizeof(NETRESOURCEW) + name + sizeof(kProviderName);
}

// Copies a text to the end of the free space; its place in the buffer.
wchar_t* PackText(char** end, const wchar_t* text, size_t bytes)
{
    *end -= bytes;
    memcpy(*end, text, bytes);
    return reinterpret_cast<wchar_t*>(*end);
}

// The top of the provider's network is asked for with the router's entry for the provider
// (display type network) and no remote name; any other entry without a name has no children.
std::string ParentOf(const NETRESOURCEW* resource, bool* none)
{
    *none = false;
    if (!resource)
        return "";
    if (!resource->lpRemoteName) {
        *none = resource->dwDisplayType != RESOURCEDISPLAYTYPE_NETWORK;
        return "";
    }
    return Narrow(resource->lpRemoteName);
}

}  // namespace

extern "C" DWORD APIENTRY NPGetCaps(DWORD index)
{
    switch (index) {
    case WNNC_SPEC_VERSION:
        return WNNC_SPEC_VERSION51;
    case WNNC_NET_TYPE:
        return 0x00FE0000;
    case WNNC_ENUMERATION:
        return WNNC_ENUM_GLOBAL | WNNC_ENUM_LOCAL;
    case WNNC_START:
        return 1;
    default:
        return 0;
    }
}

extern "C" DWORD APIENTRY NPOpenEnum(DWORD scope, DWORD, DWORD, LPNETRESOURCEW resource,
                                     LPHANDLE handle)
{
    if (!handle)
        return WN_BAD_POINTER;
    if (scope != RESOURCE_GLOBALNET)
        return WN_NOT_SUPPORTED;
    auto* enumeration = new (std::nothrow) Enumeration;
    if (!enumeration)
        return WN_OUT_OF_MEMORY;
    bool none = false;
    std::string parent = ParentOf(resource, &none);
    if (!none)
        enumeration->entries = ChildrenOf(LoadTree(), parent);
    enumeration->batch = ReadNumber(L"Batch");
    enumeration->emptyBelow = ReadNumber(L"EmptyBelow");
    enumeration->emptyAtEnd = ReadNumber(L"EmptyAtEnd") != 0;
    *handle = enumeration;
    return WN_SUCCESS;
}

// As many entries as fit and are asked for (a count of -1: as many as fit); the structures at
// the start of the buffer, their names packed from its end.
extern "C" DWORD APIENTRY NPEnumResource(HANDLE handle, LPDWORD count, LPVOID buffer,
                                         LPDWORD bufferSize)
{
    auto* enumeration = static_cast<Enumeration*>(handle);
    if (!enumeration || !count || !buffer || !bufferSize)
        return WN_BAD_POINTER;
    if (enumeration->next >= enumeration->entries.size()) {
        *count = 0;
        return enumeration->emptyAtEnd ? WN_SUCCESS : WN_NO_MORE_ENTRIES;
    }
    if (*count != static_cast<DWORD>(-1) && *count < enumeration->emptyBelow) {
        *count = 0;
        return WN_SUCCESS;
    }
    DWORD wanted = *count;
    if (enumeration->batch && enumeration->batch < wanted)
        wanted = enumeration->batch;
    auto* structures = static_cast<NETRESOURCEW*>(buffer);
    char* end = static_cast<char*>(buffer) + *bufferSize;
    size_t used = 0;
    DWORD given = 0;
    while (enumeration->next < enumeration->entries.size() && given < wanted) {
        const ProviderEntry& entry = enumeration->entries[enumeration->next];
        size_t bytes = EntryBytes(entry);
        if (used + bytes > *bufferSize)
            break;
        NETRESOURCEW& out = structures[given];
        memset(&out, 0, sizeof(out));
        Shape shape = ShapeOf(entry.kind);
        out.dwScope = RESOURCE_GLOBALNET;
        out.dwType = RESOURCETYPE_ANY;
        out.dwDisplayType = shape.displayType;
        out.dwUsage = shape.usage;
        if (HasName(entry)) {
            std::wstring name = Widen(entry.remoteName);
            out.lpRemoteName = PackText(&end, name.c_str(), (name.size() + 1) * sizeof(wchar_t));
        }
        out.lpProvider = PackText(&end, kProviderName, sizeof(kProviderName));
        used += bytes;
        ++given;
        ++enumeration->next;
    }
    if (given == 0) {
        *bufferSize = static_cast<DWORD>(EntryBytes(enumeration->entries[enumeration->next]));
        return WN_MORE_DATA;
    }
    *count = given;
    return WN_SUCCESS;
}

extern "C" DWORD APIENTRY NPCloseEnum(HANDLE handle)
{
    delete static_cast<Enumeration*>(handle);
    return WN_SUCCESS;
}
