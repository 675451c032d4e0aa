#include "http_record.h"

#include "mon_result2.h"
#include "result_types.h"

bool BuildHttpRecord(unsigned int tid, unsigned int lid, const HttpVerdict& verdict,
                     CComBSTR* bytes)
{
    CMonResult2 record;
    return record.create(0, 7, 1, 0, 0, 1) && record.init(RESULT_HTTP, tid, lid) &&
           record.add(verdict.status) && record.add(verdict.milliseconds) &&
           record.add(verdict.code) && record.add(verdict.length) &&
           record.add(const_cast<char*>(verdict.text.c_str())) &&
           bytes->AssignBytes(record.get_pointer(), record.get_size());
}
