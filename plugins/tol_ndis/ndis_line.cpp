#include "ndis_line.h"

#include <cstdlib>
#include <string_view>
#include <vector>

#include "text_fields.h"

namespace {

using Fields = std::vector<std::string_view>;

// atol's reading (leading blanks, a sign, digits up to the first other character, 0 without
// digits), saturated instead of undefined where the number does not fit.
long ReadNumber(std::string_view text)
{
    return strtol(std::string(text).c_str(), nullptr, 10);
}

void ReadDiscovery(const Fields& fields, NdisLine* line)
{
    line->oneShot = true;
    line->interval = kDefaultDiscoveryInterval;
    if (fields.size() < 3 || ReadNumber(fields[2]) == 0)
        return;
    line->oneShot = false;
    if (fields.size() < 4)
        return;
    long interval = ReadNumber(fields[3]);
    if (interval >= kMinDiscoveryInterval && interval <= kMaxDiscoveryInterval)
        line->interval = static_cast<int>(interval);
}

// The range and OID list from `first` on: start, end, OID list (optional).
void ReadRange(const Fields& fields, size_t first, NdisLine* line)
{
    line->start = fields[first];
    line->end = fields[first + 1];
    line->oids = fields.size() > first + 2 ? std::string(fields[first + 2]) : std::string();
}

}  // namespace

bool ParseNdisLine(const char* utf8Line, NdisLine* out)
{
    if (!out || !utf8Line || !*utf8Line)
        return false;
    const Fields fields = SplitFields(utf8Line, '\t');
    if (fields.size() < 2)
        return false;
    long id = ReadNumber(fields[1]);
    if (id == 0)
        return false;
    NdisLine line;
    line.testId = static_cast<int>(id);
    const std::string_view code = fields[0];
    if (code == "NSA") {
        line.kind = NdisLineKind::DiscoveryAdd;
        ReadDiscovery(fields, &line);
    } else if (code == "NSD") {
        line.kind = NdisLineKind::DiscoveryDelete;
    } else if (code == "DCA") {
        if (fields.size() < 5)
            return false;
        line.kind = NdisLineKind::ScanAdd;
        line.locationId = static_cast<unsigned>(ReadNumber(fields[2]));
        ReadRange(fields, 3, &line);
    } else if (code == "DCM") {
        if (fields.size() < 4)
            return false;
        line.kind = NdisLineKind::ScanModify;
        ReadRange(fields, 2, &line);
    } else if (code == "DCD") {
        line.kind = NdisLineKind::ScanDelete;
    } else {
        return false;
    }
    *out = std::move(line);
    return true;
}
