#include "mem_verdict.h"

#include "format_text.h"
#include "snmp_queries.h"

namespace {

bool Tested(int limit, double figure)
{
    return limit != kLimitNotSet && figure != kNotMeasured;
}

void Exceeded(MemVerdict* verdict, const std::string& line)
{
    verdict->status = kStatusLimitExceeded;
    verdict->text += line;
}

}  // namespace

std::string MemValuesLine(const MemTest& test, const MemFigures& f)
{
    return FormatText(
        "tol_mem: tid: %d, lid: %d, total_phys: %.2f, free_phys: %.2f, "
        "total_page: %.2f, free_page: %.2f, total_virt: %.2f, free_virt: %.2f",
        test.tid, test.lid, f.total_phys, f.free_phys, f.total_page, f.free_page, f.total_virt,
        f.free_virt);
}

MemVerdict JudgeMemory(const MemTest& test, const MemFigures& f, unsigned int measured)
{
    MemVerdict verdict;
    if (measured != kStatusWithinLimits) {
        verdict.status = measured;
        verdict.text = MemValuesLine(test, f);
        return verdict;
    }
    if (Tested(test.mem_min, f.free_phys) && test.mem_min >= f.free_phys)
        Exceeded(&verdict, FormatText("Physical memory free size: %.2f / Min value: %d\n",
                                      f.free_phys, test.mem_min));
    if (Tested(test.page_min, f.free_page) && test.page_min >= f.free_page)
        Exceeded(&verdict, FormatText("Page file free space: %.2f / Min value: %d\n", f.free_page,
                                      test.page_min));
    if (Tested(test.vsize_min, f.free_virt) && test.vsize_min >= f.free_virt)
        Exceeded(&verdict, FormatText("Virtual memory free size: %.2f / Min value: %d\n",
                                      f.free_virt, test.vsize_min));
    if (Tested(test.buffered_min, f.buffered) && test.buffered_min <= f.buffered)
        Exceeded(&verdict, FormatText("Buffered memory size: %.2f / Max value: %d\n", f.buffered,
                                      test.buffered_min));
    if (Tested(test.cached_min, f.cached) && test.cached_min <= f.cached)
        Exceeded(&verdict, FormatText("Cached memory size: %.2f / Max value: %d\n", f.cached,
                                      test.cached_min));
    if (verdict.status == kStatusWithinLimits)
        verdict.text = "Memory usage is within acceptable limits\n";
    return verdict;
}

MemVerdict JudgeLoad(const LoadAvgTest& test, const LoadFigures& f)
{
    MemVerdict verdict;
    const struct {
        int limit;
        double figure;
        const char* line;
    } checks[] = {
        {test.max1, f.lav1, "Load Average 1 min value: %.2f / Max value: %d\n"},
        {test.max5, f.lav5, "Load Average 5 min value: %.2f / Max value: %d\n"},
        {test.max15, f.lav15, "Load Average 15 min value: %.2f / Max value: %d\n"},
    };
    for (const auto& check : checks)
        if (check.limit != kLimitNotSet && check.limit < check.figure)
            Exceeded(&verdict, FormatText(check.line, check.figure, check.limit));
    if (verdict.status == kStatusWithinLimits)
        verdict.text = "Load Average values are within acceptable limits\n";
    return verdict;
}
