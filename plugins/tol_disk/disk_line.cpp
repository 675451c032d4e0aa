#include "disk_line.h"

#include <string>

#include "text_numbers.h"

namespace {

bool IsDriveLetter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool ReadTestId(const CLineFields& fields, DiskLine* out)
{
    out->test.tid = ReadDecimalInt(fields[1]);
    return true;
}

bool ReadDriveTest(const CLineFields& fields, DiskTest* test)
{
    test->tid = ReadDecimalInt(fields[1]);
    test->lid = ReadDecimalInt(fields[2]);
    test->drive = fields[3][0];
    return IsDriveLetter(test->drive);
}

bool ReadSpaceTest(const CLineFields& fields, DiskLine* out)
{
    if (!ReadDriveTest(fields, &out->test))
        return false;
    out->test.minimumFree = ReadDecimalInt(fields[4]);
    return true;
}

bool ReadRateTest(const CLineFields& fields, DiskLine* out)
{
    if (!ReadDriveTest(fields, &out->test))
        return false;
    out->test.minimumFree = kRateTestMinimum;
    return true;
}

using Rule = LineRule<LineAction, DiskLine>;

const Rule kRules[] = {
    {"DKA", FieldCounts(5), LineAction::Add, ReadSpaceTest},
    {"DKM", FieldCounts(5), LineAction::Modify, ReadSpaceTest},
    {"DKD", FieldCounts(3), LineAction::Delete, ReadTestId},
    {"DIA", FieldCounts(4), LineAction::Add, ReadRateTest},
    {"DIM", FieldCounts(4), LineAction::Modify, ReadRateTest},
    {"DID", FieldCounts(3), LineAction::Delete, ReadTestId},
};

}  // namespace

bool ParseDiskLine(const char* utf8Line, DiskLine* out)
{
    return ReadTestLineByRules(utf8Line, kRules, LineAction::Incorrect, LineAction::Incorrect, out);
}

const char* DiskCommandCodes()
{
    static const std::string codes = CommandCodes(kRules);
    return codes.c_str();
}
