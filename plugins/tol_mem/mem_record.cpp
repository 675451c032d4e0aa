#include "mem_record.h"

#include <initializer_list>

#include "mon_result2.h"
#include "result_types.h"

namespace {

bool Finish(CMonResult2& record, const MemVerdict& verdict, CComBSTR* bytes)
{
    return record.add(const_cast<char*>(verdict.text.c_str())) && record.add(verdict.status) &&
           bytes->AssignBytes(record.get_pointer(), record.get_size());
}

}  // namespace

bool BuildMemoryRecord(int tid, int lid, const MemFigures& f, const MemVerdict& verdict,
                       CComBSTR* bytes)
{
    CMonResult2 record;
    if (!record.create(0, 4, 1, 0, 8, 1) ||
        !record.init(RESULT_MEMORY, static_cast<unsigned int>(tid), static_cast<unsigned int>(lid)))
        return false;
    for (double figure : {f.free_phys, f.total_phys, f.free_page, f.total_page, f.buffered,
                          f.cached, f.free_virt, f.total_virt})
        if (!record.add(figure))
            return false;
    return Finish(record, verdict, bytes);
}

bool BuildLoadAverageRecord(int tid, int lid, const LoadFigures& f, const MemVerdict& verdict,
                            CComBSTR* bytes)
{
    CMonResult2 record;
    return record.create(0, 4, 1, 0, 3, 1) &&
           record.init(RESULT_LOAD_AVERAGE, static_cast<unsigned int>(tid),
                       static_cast<unsigned int>(lid)) &&
           record.add(f.lav1) && record.add(f.lav5) && record.add(f.lav15) &&
           Finish(record, verdict, bytes);
}
