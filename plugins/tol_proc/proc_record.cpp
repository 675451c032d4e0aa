#include "proc_record.h"

#include "mon_result2.h"
#include "result_types.h"

namespace {

bool AppendBytes(CMonResult2& record, std::string* out)
{
    out->append(record.get_pointer(), record.get_size());
    return true;
}

}  // namespace

bool CreateProcessRecord(CMonResult2* record)
{
    return record->create(0, 5, 1, 0, 3, 1);
}

bool AppendProcessRecord(CMonResult2* record, int tid, int lid, DWORD pid,
                         const ProcFigures& figures, const ProcVerdict& verdict, std::string* out)
{
    return record->reset() &&
           record->init(RESULT_PROCESS, static_cast<unsigned int>(tid),
                        static_cast<unsigned int>(lid)) &&
           record->add(figures.cpu) && record->add(figures.wss) && record->add(figures.pfs) &&
           record->add(static_cast<unsigned int>(pid)) && record->add(verdict.status) &&
           record->add(const_cast<char*>(verdict.text.c_str())) && AppendBytes(*record, out);
}

bool AppendProcessListRecord(const std::string& utf8Names, std::string* out)
{
    CMonResult2 record;
    return record.create(0, 3, 1, 0, 0, 1) && record.init(RESULT_PROCESS_LIST, 0, 0) &&
           record.add(const_cast<char*>(utf8Names.c_str())) && AppendBytes(record, out);
}
