#include "adapter_map.h"

namespace {

constexpr unsigned int kSoftwareLoopback = 24;
constexpr unsigned int kOperConnected = 4;
constexpr unsigned int kOperOperational = 5;

}  // namespace

bool AdapterIsUp(unsigned int type, unsigned int operStatus)
{
    return type != kSoftwareLoopback &&
           (operStatus == kOperConnected || operStatus == kOperOperational);
}

AdapterMap BuildAdapterMap(const std::vector<AdapterRow>& rows)
{
    AdapterMap map;
    for (const AdapterRow& row : rows)
        if (AdapterIsUp(row.type, row.operStatus))
            map[row.name] = row.index;
    return map;
}

std::string AdapterListText(const AdapterMap& map)
{
    std::string text;
    for (const auto& entry : map) {
        text += entry.first;
        text += '\t';
    }
    return text;
}
