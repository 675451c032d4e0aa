#include "ndis_line.h"

#include <string>
#include <string_view>

#include "text_numbers.h"

namespace {

// No line is read beyond its sixth field (DCA's OID list): the line is cut at its sixth TAB,
// so a longer line reads as six fields, each as it stands.
constexpr unsigned kFieldsRead = 6;

std::string FirstFields(const char* utf8Line)
{
    std::string_view line(utf8Line);
    size_t end = 0;
    for (unsigned tabs = 0; tabs < kFieldsRead && end != std::string_view::npos; ++tabs)
        end = line.find('\t', tabs == 0 ? 0 : end + 1);
    return std::string(line.substr(0, end));
}

// Every line's test id: read like atol (saturated at the int range), and not 0.
bool ReadTestId(const CLineFields& fields, NdisLine* out)
{
    out->tid = ReadDecimalInt(fields[1]);
    return out->tid != 0;
}

// A discovery walks once unless the repeat flag is given and not 0; then the interval field,
// when given and within range, replaces the default.
bool ReadDiscovery(const CLineFields& fields, NdisLine* out)
{
    if (!ReadTestId(fields, out))
        return false;
    out->oneShot = true;
    out->interval = kDefaultDiscoveryInterval;
    if (fields.count() < 3 || ReadDecimalInt(fields[2]) == 0)
        return true;
    out->oneShot = false;
    if (fields.count() < 4)
        return true;
    int interval = ReadDecimalInt(fields[3]);
    if (interval >= kMinDiscoveryInterval && interval <= kMaxDiscoveryInterval)
        out->interval = interval;
    return true;
}

// The range and OID list from `first` on: start, end, OID list (optional).
void ReadRange(const CLineFields& fields, unsigned first, NdisLine* out)
{
    out->start = fields[first];
    out->end = fields[first + 1];
    out->oids = fields.count() > first + 2 ? fields[first + 2] : "";
}

bool ReadScanAdd(const CLineFields& fields, NdisLine* out)
{
    if (!ReadTestId(fields, out))
        return false;
    out->lid = static_cast<unsigned>(ReadDecimalInt(fields[2]));
    ReadRange(fields, 3, out);
    return true;
}

bool ReadScanModify(const CLineFields& fields, NdisLine* out)
{
    if (!ReadTestId(fields, out))
        return false;
    ReadRange(fields, 2, out);
    return true;
}

using Rule = LineRule<NdisLineKind, NdisLine>;

const Rule kRules[] = {
    {"NSA", FieldCountRange(2, kFieldsRead), NdisLineKind::DiscoveryAdd, ReadDiscovery},
    {"NSD", FieldCountRange(2, kFieldsRead), NdisLineKind::DiscoveryDelete, ReadTestId},
    {"DCA", FieldCountRange(5, kFieldsRead), NdisLineKind::ScanAdd, ReadScanAdd},
    {"DCM", FieldCountRange(4, kFieldsRead), NdisLineKind::ScanModify, ReadScanModify},
    {"DCD", FieldCountRange(2, kFieldsRead), NdisLineKind::ScanDelete, ReadTestId},
};

}  // namespace

bool ParseNdisLine(const char* utf8Line, NdisLine* out)
{
    if (!out || !utf8Line || !*utf8Line)
        return false;
    NdisLine line;
    line.kind = ReadLineByRules(CLineFields(FirstFields(utf8Line).c_str(), '\t'), kRules,
                                NdisLineKind::Rejected, NdisLineKind::Rejected, &line);
    if (line.kind == NdisLineKind::Rejected)
        return false;
    *out = std::move(line);
    return true;
}

const char* NdisCommandCodes()
{
    static const std::string codes = CommandCodes(kRules);
    return codes.c_str();
}
