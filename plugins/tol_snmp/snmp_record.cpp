#include "snmp_record.h"

#include "mon_result2.h"
#include "result_types.h"

bool BuildSnmpRecord(unsigned int tid, unsigned int lid, const SnmpVerdict& verdict,
                     CMonResult2* const* nested, unsigned int nestedCount, CComBSTR* bytes)
{
    CMonResult2 record;
    bool built = record.create(0, 5, 1, 0, 1, 1) && record.init(RESULT_SNMP, tid, lid) &&
                 record.add(verdict.elapsedMs) && record.add(const_cast<char*>(verdict.text)) &&
                 record.add(verdict.status) && record.add(verdict.fifth);
    for (unsigned int i = 0; built && verdict.success && nested && i < nestedCount; ++i) {
        if (nested[i])
            built = record.add(nested[i]);
    }
    return built && bytes->AssignBytes(record.get_pointer(), record.get_size());
}
