#include "process_list.h"

#include <windows.h>

#include <algorithm>
#include <unordered_set>

#include "heap_helpers.h"
#include "proc_record.h"
#include "process_source.h"

namespace {

// The form that CompareStringOrdinal compares when it ignores case.
std::wstring CaseKey(const std::wstring& name)
{
    std::wstring key = name;
    if (!key.empty())
        CharUpperBuffW(&key[0], static_cast<DWORD>(key.size()));
    return key;
}

}  // namespace

std::string JoinProcessNames(const std::vector<std::wstring>& names)
{
    std::unordered_set<std::wstring> seen;
    std::vector<const std::wstring*> kept;
    kept.reserve(names.size());
    for (const std::wstring& name : names)
        if (seen.insert(CaseKey(name)).second)
            kept.push_back(&name);
    std::sort(kept.begin(), kept.end(),
              [](const std::wstring* a, const std::wstring* b) { return *a < *b; });
    std::wstring joined;
    for (const std::wstring* name : kept) {
        joined += *name;
        joined += L'\t';
    }
    char* utf8 = WideToMultiByteAlloc(joined.c_str(), CP_UTF8);
    std::string out = utf8 ? utf8 : "";
    FreeHeapBlock(utf8);
    return out;
}

bool AppendProcessList(CProcessSource& source, std::string* out)
{
    std::vector<ProcessEntry> processes;
    if (!source.Snapshot(&processes))
        return false;
    std::vector<std::wstring> names;
    names.reserve(processes.size());
    for (ProcessEntry& process : processes)
        names.push_back(std::move(process.name));
    return AppendProcessListRecord(JoinProcessNames(names), out);
}
