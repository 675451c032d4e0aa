#include "disk_record.h"

#include <algorithm>

#include "heap_helpers.h"
#include "mon_result2.h"
#include "result_types.h"

bool BuildDiskRecord(int testId, int locationId, const DiskVerdict& verdict, CComBSTR* bytes)
{
    CMonResult2 record;
    return record.create(0, 4, 1, 0, 2, 1) &&
           record.init(RESULT_DISK, static_cast<unsigned int>(testId),
                       static_cast<unsigned int>(locationId)) &&
           record.add(verdict.first) && record.add(verdict.second) &&
           record.add(const_cast<char*>(verdict.text.c_str())) && record.add(verdict.status) &&
           bytes->AssignBytes(record.get_pointer(), record.get_size());
}

std::wstring DiskListText(const std::wstring& letters)
{
    std::wstring unique = letters;
    std::sort(unique.begin(), unique.end());
    unique.erase(std::unique(unique.begin(), unique.end()), unique.end());
    std::wstring text;
    for (wchar_t letter : unique) {
        text += letter;
        text += L'\t';
    }
    return text;
}

bool AppendDiskListRecord(const std::wstring& listText, CComBSTR* bytes)
{
    char* utf8 = WideToMultiByteAlloc(listText.c_str(), CP_UTF8);
    CMonResult2 record;
    bool built = record.create(0, 3, 1, 0, 0, 1) && record.init(RESULT_DISK_LIST, 0, 0) &&
                 record.add(utf8) && bytes->AppendBytes(record.get_pointer(), record.get_size());
    FreeHeapBlock(utf8);
    return built;
}
