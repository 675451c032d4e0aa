#include "ping_record.h"

#include "mon_result2.h"

bool BuildPingRecord(int tid, int lid, const PingVerdict& verdict, CComBSTR* bytes)
{
    CMonResult2 record;
    return record.create(0, 5, 1, 0, 1, 1) &&
           record.init(kResultIcmp, static_cast<unsigned int>(tid),
                       static_cast<unsigned int>(lid)) &&
           record.add(verdict.status) && record.add(const_cast<char*>(verdict.text.c_str())) &&
           record.add(verdict.average) && record.add(verdict.lost) &&
           bytes->AssignBytes(record.get_pointer(), record.get_size());
}
