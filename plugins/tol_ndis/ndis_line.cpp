#include "ndis_line.h"

#include <cstdlib>
#include <cstring>

#include "text_fields.h"

namespace {

// atol's reading (leading blanks, a sign, digits up to the first other character, 0 without
// digits), saturated instead of undefined where the number does not fit.
long ReadNumber(const char* text)
{
    return strtol(text, nullptr, 10);
}

void ReadDiscovery(const CTextFields& fields, NdisLine* line)
{
    line->oneShot = true;
    line->interval = kDefaultDiscoveryInterval;
    if (fields.count() < 3 || ReadNumber(fields[2]) == 0)
        return;
    line->oneShot = false;
    if (fields.count() < 4)
        return;
    long interval = ReadNumber(fields[3]);
    if (interval >= kMinDiscoveryInterval && interval <= kMaxDiscoveryInterval)
        line->interval = static_cast<int>(interval);
}

// The range and OID list from `first` on: start, end, OID list (optional).
void ReadRange(const CTextFields& fields, unsigned first, NdisLine* line)
{
    line->start = fields[first];
    line->end = fields[first + 1];
    line->oids = fields.count() > first + 2 ? fields[first + 2] : "";
}

}  // namespace

bool ParseNdisLine(const char* utf8Line, NdisLine* out)
{
    if (!out || !utf8Line || !*utf8Line)
        return false;
    CTextFields fields(utf8Line, '\t');
    if (fields.count() < 2)
        return false;
    long id = ReadNumber(fields[1]);
    if (id == 0)
        return false;
    NdisLine line;
    line.testId = static_cast<int>(id);
    const char* code = fields[0];
    if (strcmp(code, "NSA") == 0) {
        line.kind = NdisLineKind::DiscoveryAdd;
        ReadDiscovery(fields, &line);
    } else if (strcmp(code, "NSD") == 0) {
        line.kind = NdisLineKind::DiscoveryDelete;
    } else if (strcmp(code, "DCA") == 0) {
        if (fields.count() < 5)
            return false;
        line.kind = NdisLineKind::ScanAdd;
        line.locationId = static_cast<unsigned>(ReadNumber(fields[2]));
        ReadRange(fields, 3, &line);
    } else if (strcmp(code, "DCM") == 0) {
        if (fields.count() < 4)
            return false;
        line.kind = NdisLineKind::ScanModify;
        ReadRange(fields, 2, &line);
    } else if (strcmp(code, "DCD") == 0) {
        line.kind = NdisLineKind::ScanDelete;
    } else {
        return false;
    }
    *out = std::move(line);
    return true;
}
