#include "test_record.h"

#include "mon_result2.h"

bool BuildTestRecord(int tid, int lid, unsigned int pass, const char* kind, CComBSTR* bytes)
{
    CMonResult2 record;
    if (!record.create(0, 4, 1, 0, 0, 1) ||
        !record.init(kTestResultType, static_cast<unsigned>(tid), static_cast<unsigned>(lid)) ||
        !record.add(pass) || !record.add(const_cast<char*>(kind)))
        return false;
    return bytes->AssignBytes(record.get_pointer(), record.get_size());
}
