#include "net_record.h"

#include "format_text.h"
#include "mon_result2.h"
#include "result_types.h"

namespace {

constexpr unsigned int kStatusWithinLimits = 0;

bool AddText(CMonResult2& record, const std::string& text)
{
    return record.add(const_cast<char*>(text.c_str()));
}

}  // namespace

bool BuildAdapterRecord(const AdapterTest& test, CComBSTR* bytes)
{
    AdapterRates rates = RatesOf(test.counters.deltas);
    CMonResult2 record;
    return record.create(0, 10, 1, 0, 0, 1) &&
           record.init(RESULT_NET_ADAPTER, static_cast<unsigned int>(test.tid),
                       static_cast<unsigned int>(test.lid)) &&
           record.add(rates.inOctets) && record.add(rates.inPackets) &&
           record.add(rates.inErrors) && record.add(rates.outOctets) &&
           record.add(rates.outPackets) && record.add(rates.outErrors) &&
           record.add(kStatusWithinLimits) &&
           AddText(record, FormatText("Network adapter: %s values are within acceptable limits.\n",
                                      test.adapter.c_str())) &&
           bytes->AssignBytes(record.get_pointer(), record.get_size());
}

bool BuildAdapterListRecord(const std::string& listText, CComBSTR* bytes)
{
    CMonResult2 record;
    return record.create(0, 3, 1, 0, 0, 1) && record.init(RESULT_ADAPTER_LIST, 0, 0) &&
           AddText(record, listText) && bytes->AssignBytes(record.get_pointer(), record.get_size());
}
