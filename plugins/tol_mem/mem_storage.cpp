#include "mem_storage.h"

#include <cctype>

#include "text_numbers.h"

namespace {

const char kSizeColumn[] = "1.3.6.1.2.1.25.2.3.1.5.";
const char kUnitsColumn[] = "1.3.6.1.2.1.25.2.3.1.4.";
const char kUsedColumn[] = "1.3.6.1.2.1.25.2.3.1.6.";

struct KindRule {
    const char* description;
    bool asksUsed;
};

// The kinds in the order they are asked for.
const KindRule kKinds[kStorageKindCount] = {
    {"physical memory", true}, {"virtual memory", true}, {"memory buffers", false},
    {"cached memory", false},  {"swap space", true},
};

bool EqualIgnoringCase(const std::string& text, const char* lower)
{
    size_t i = 0;
    for (; i < text.size() && lower[i]; ++i)
        if (tolower(static_cast<unsigned char>(text[i])) != lower[i])
            return false;
    return i == text.size() && lower[i] == '\0';
}

// The index of the first row describing the kind; empty when there is none.
std::string IndexOf(const std::vector<SnmpRow>& rows, const char* description)
{
    for (const SnmpRow& row : rows) {
        if (row.syntax != kSnmpCodeOctets || !EqualIgnoringCase(row.value, description))
            continue;
        size_t dot = row.oid.rfind('.');
        if (dot != std::string::npos && dot + 1 < row.oid.size())
            return row.oid.substr(dot + 1);
    }
    return std::string();
}

double BytesInMB(long long bytes)
{
    return static_cast<double>(bytes) / kBytesPerMB;
}

}  // namespace

StoragePlan PlanStorageRequests(const std::vector<SnmpRow>& rows)
{
    StoragePlan plan;
    for (int kind = 0; kind < kStorageKindCount; ++kind) {
        std::string index = IndexOf(rows, kKinds[kind].description);
        if (index.empty())
            continue;
        plan.first[kind] = static_cast<int>(plan.oids.size());
        plan.oids.push_back(kSizeColumn + index);
        plan.oids.push_back(kUnitsColumn + index);
        if (kKinds[kind].asksUsed)
            plan.oids.push_back(kUsedColumn + index);
    }
    return plan;
}

void ReadStorageFigures(const StoragePlan& plan, const std::vector<std::string>& values,
                        const std::vector<unsigned int>& syntax, MemFigures* figures)
{
    double* total[kStorageKindCount] = {&figures->total_phys, &figures->total_virt,
                                        &figures->buffered, &figures->cached, &figures->total_page};
    double* available[kStorageKindCount] = {&figures->free_phys, &figures->free_virt, nullptr,
                                            nullptr, &figures->free_page};
    for (int kind = 0; kind < kStorageKindCount; ++kind) {
        if (plan.first[kind] < 0)
            continue;
        size_t first = static_cast<size_t>(plan.first[kind]);
        size_t count = kKinds[kind].asksUsed ? 3 : 2;
        bool complete = first + count <= values.size() && first + count <= syntax.size();
        for (size_t i = first; complete && i < first + count; ++i)
            complete = syntax[i] == kSnmpCodeInteger;
        if (!complete)
            continue;
        // INTEGER values are 32-bit: their products fit a 64-bit number.
        long long size = ReadDecimalInt64(values[first].c_str());
        long long units = ReadDecimalInt64(values[first + 1].c_str());
        *total[kind] = BytesInMB(size * units);
        if (kKinds[kind].asksUsed) {
            long long used = ReadDecimalInt64(values[first + 2].c_str());
            *available[kind] = BytesInMB(size * units - used * units);
        }
    }
}
