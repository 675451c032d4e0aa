#include "cpu_record.h"

#include <initializer_list>

#include "mon_result2.h"
#include "result_types.h"

namespace {

bool AddProcessor(CMonResult2& parent, const ProcessorResult& processor)
{
    CMonResult2 nested;
    return nested.create(0, 1, 0, 0, 5, 1) && nested.add(processor.usage.usage) &&
           nested.add(processor.usage.kernel) && nested.add(0.0) && nested.add(0.0) &&
           nested.add(0.0) && nested.add(const_cast<char*>(processor.verdict.text.c_str())) &&
           nested.add(processor.verdict.status) && parent.add(&nested);
}

}  // namespace

bool BuildCpuRecord(int tid, int lid, const CpuFigures& f, const CpuVerdict& verdict,
                    const std::vector<ProcessorResult>& processors, CComBSTR* bytes)
{
    CMonResult2 record;
    if (!record.create(0, 4, 1, 0, 5, 1) ||
        !record.init(RESULT_CPU, static_cast<unsigned int>(tid), static_cast<unsigned int>(lid)))
        return false;
    for (double figure : {f.cpu_usage, f.krn_usage, f.nice, f.idle, f.iowait})
        if (!record.add(figure))
            return false;
    if (!record.add(verdict.status) || !record.add(const_cast<char*>(verdict.text.c_str())))
        return false;
    for (const ProcessorResult& processor : processors)
        if (!AddProcessor(record, processor))
            return false;
    return bytes->AssignBytes(record.get_pointer(), record.get_size());
}
